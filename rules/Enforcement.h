#pragma once
// The loan rules kept by the data module: asked before each change of an
// item is written, a refusal stops it (Refused, with the rule's words) and
// a question answered No stops it silently (platform::Declined).
#include <QObject>
#include <QString>

#include <functional>

class TDM;

namespace rules {

// How many times the loan of an item of table was prolonged.
using ProlongationCount = std::function<int(const QString& table, qint64 item)>;
// A question put to the user; true to go on.
using Question = std::function<bool(const QString& text)>;

// From now on while owner lives.
void enforce(TDM& dm, QObject* owner, ProlongationCount prolongations, Question ask);

} // namespace rules

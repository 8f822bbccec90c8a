#pragma once
// A contact's name as a Russian sentence needs it after «у» and «от»: the
// surname (the name's first word, as contacts are kept) in the genitive and
// the other words as initials, "Иванов Иван Петрович" -> "Иванова И. П.".
#include <QString>

namespace platform {

// A name of one word, or whose surname has an ending the rules do not know
// (Сидоренко, Smith), is left whole as written: a wrong ending would be
// worse than none.
QString genitiveShortName(const QString& name);

} // namespace platform

#include "platform/Plural.h"

#include <unicode/locid.h>
#include <unicode/plurrule.h>
#include <unicode/unistr.h>

#include <memory>

namespace platform {

namespace {

const icu::PluralRules* russianRules() {
    static const std::unique_ptr<icu::PluralRules> rules = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::PluralRules> r(icu::PluralRules::forLocale(icu::Locale("ru"), status));
        return U_SUCCESS(status) ? std::move(r) : nullptr;
    }();
    return rules.get();
}

} // namespace

QString nounFor(qint64 n, const NounForms& noun) {
    const icu::PluralRules* rules = russianRules();
    std::string keyword;
    if (rules)
        rules->select(int32_t(n % 1000000)).toUTF8String(keyword); // the rule reads the last digits only
    const char* form = keyword == "one" ? noun.one : keyword == "few" ? noun.few : noun.many;
    return QString::fromUtf8(form);
}

QString countOf(qint64 n, const NounForms& noun) { return QString::number(n) + u' ' + nounFor(n, noun); }

QString firstFewAndMore(const QStringList& items) {
    constexpr int kNamed = 3;
    QString text = items.mid(0, kNamed).join(QStringLiteral(", "));
    if (items.size() > kNamed)
        text += QStringLiteral(" и ещё %1").arg(items.size() - kNamed);
    return text;
}

} // namespace platform

#include "tests/fuzz/Targets.h"

#include "engine/Dialect.h"
#include "engine/EngineError.h"

int fuzz::dialect(const uint8_t* data, size_t size) {
    const QString statement = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Tables whose names start with "t" exist, in upper case.
    const engine::TableResolver resolve = [](const QString& name) {
        return name.startsWith(u't', Qt::CaseInsensitive) ? name.toUpper() : QString();
    };
    try {
        const engine::RewrittenStatement r = engine::rewriteStatement(statement, resolve);
        (void)r.sql.size();
        QString column;
        int length = 0;
        engine::parseLengthConstraint(statement, &column, &length);
    } catch (const engine::EngineError&) {
        // refused statements are fine; anything else escapes and fails
    }
    return 0;
}

#pragma once
// The one error type the engine raises. The message is user-facing Russian
// text; what() carries it as UTF-8 so generic handlers can show it too.
#include <QString>
#include <stdexcept>

namespace engine {

class EngineError : public std::runtime_error {
public:
    // code: SQLite's result code behind the error, 0 when none.
    explicit EngineError(const QString& message, int code = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_code(code) {}
    const QString& message() const { return m_message; }
    // SQLite's primary result code (SQLITE_FULL, ...), 0 when none.
    int code() const { return m_code & 0xFF; }

private:
    QString m_message;
    int m_code;
};

} // namespace engine

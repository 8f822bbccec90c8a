#pragma once
// The one error type the engine raises. The message is user-facing Russian
// text; what() carries it as UTF-8 so generic handlers can show it too.
#include <QString>
#include <stdexcept>

namespace engine {

class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace engine

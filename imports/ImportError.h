#pragma once
// Why an import cannot go on, as the user reads it; nothing is written.
#include <stdexcept>

#include <QString>

namespace imports {

class ImportError : public std::runtime_error {
public:
    explicit ImportError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The user chose «Отмена»: nothing is written.
class ImportCancelled : public std::runtime_error {
public:
    ImportCancelled() : std::runtime_error("cancelled") {}
};

} // namespace imports

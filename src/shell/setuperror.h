#pragma once

#include <QString>
#include <stdexcept>

// The launcher's one error: what() is the complete user-facing sentence, unchanged.
class SetupError : public std::runtime_error
{
public:
    explicit SetupError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace platform {

// A property-list dictionary (libplist), read from and written as XML.
class PlistDictionary
{
public:
    // None when the bytes are not an XML property list whose top level is a dictionary.
    static std::optional<PlistDictionary> fromBytes(const QByteArray &bytes);
    PlistDictionary(const PlistDictionary &other);
    PlistDictionary &operator=(const PlistDictionary &other);
    PlistDictionary(PlistDictionary &&) noexcept;
    PlistDictionary &operator=(PlistDictionary &&) noexcept;
    ~PlistDictionary();

    // The value of `key` when it is present and a string.
    std::optional<QString> string(const char *key) const;
    void setString(const char *key, const QString &value);
    QByteArray toXml() const; // throws std::runtime_error when it cannot be serialised

private:
    explicit PlistDictionary(void *node);
    void *node_ = nullptr;
};

} // namespace platform

#include "platform/plist.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <utility>

namespace platform {

PlistDictionary::PlistDictionary(void *node) : node_(node) {}

std::optional<PlistDictionary> PlistDictionary::fromBytes(const QByteArray &bytes)
{
    // XML only, and without NUL, which XML never carries: for both, libplist 2.2 builds strings
    // shorter than their recorded length, and its writer then reads past them.
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max() || bytes.contains('\0'))
        return std::nullopt;
    plist_t node = nullptr;
    plist_from_xml(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    if (!node)
        return std::nullopt;
    if (plist_get_node_type(node) != PLIST_DICT) {
        plist_free(node);
        return std::nullopt;
    }
    return PlistDictionary(node);
}

PlistDictionary::PlistDictionary(const PlistDictionary &other) : node_(plist_copy(other.node_)) {}

PlistDictionary &PlistDictionary::operator=(const PlistDictionary &other)
{
    if (this != &other) {
        PlistDictionary copy(other);
        std::swap(node_, copy.node_);
    }
    return *this;
}

PlistDictionary::PlistDictionary(PlistDictionary &&other) noexcept : node_(std::exchange(other.node_, nullptr)) {}

PlistDictionary &PlistDictionary::operator=(PlistDictionary &&other) noexcept
{
    std::swap(node_, other.node_);
    return *this;
}

PlistDictionary::~PlistDictionary()
{
    if (node_)
        plist_free(node_);
}

std::optional<QString> PlistDictionary::string(const char *key) const
{
    plist_t item = plist_dict_get_item(node_, key);
    if (!item || plist_get_node_type(item) != PLIST_STRING)
        return std::nullopt;
    char *value = nullptr;
    plist_get_string_val(item, &value);
    if (!value)
        return std::nullopt;
    QString text = QString::fromUtf8(value);
    std::free(value); // libplist 2.2 allocates with malloc and has no plist_mem_free
    return text;
}

void PlistDictionary::setString(const char *key, const QString &value)
{
    plist_dict_set_item(node_, key, plist_new_string(value.toUtf8().constData()));
}

QByteArray PlistDictionary::toXml() const
{
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node_, &xml, &length);
    if (!xml)
        throw std::runtime_error("The property list could not be serialised.");
    QByteArray bytes(xml, static_cast<qsizetype>(length));
    plist_to_xml_free(xml);
    return bytes;
}

} // namespace platform

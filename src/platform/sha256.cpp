#include "platform/sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace platform {

struct Sha256::Context
{
    EVP_MD_CTX *md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : context_(std::make_unique<Context>())
{
    if (!context_->md || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available.");
}

Sha256::~Sha256() = default;

void Sha256::update(const char *data, std::size_t size)
{
    if (EVP_DigestUpdate(context_->md, data, size) != 1)
        throw std::runtime_error("SHA-256 computation failed.");
}

QByteArray Sha256::finish()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->md, digest, &length) != 1)
        throw std::runtime_error("SHA-256 computation failed.");
    return QByteArray(reinterpret_cast<const char *>(digest), static_cast<qsizetype>(length));
}

} // namespace platform

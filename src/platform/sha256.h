#pragma once

#include <QByteArray>
#include <cstddef>
#include <memory>

namespace platform {

// Incremental SHA-256 over OpenSSL's EVP interface (uses the CPU's SHA instructions).
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void update(const char *data, std::size_t size);
    QByteArray finish(); // the 32-byte digest

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

} // namespace platform

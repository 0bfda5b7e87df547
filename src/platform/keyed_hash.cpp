#include "platform/keyed_hash.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#if !defined(_WIN32)
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#endif

namespace quorvex {
namespace {

constexpr const char* kUnusable = "an earlier failure of the platform left the keyed hash unusable";

}  // namespace

#if defined(_WIN32)
namespace {

// CNG counts bytes in a ULONG; a longer part goes in pieces of that size.
NTSTATUS HashPart(BCRYPT_HASH_HANDLE hash, std::string_view part) {
  constexpr std::size_t kMostAtOnce = std::numeric_limits<ULONG>::max();
  while (!part.empty()) {
    const std::size_t now = std::min(part.size(), kMostAtOnce);
    // BCryptHashData only reads its input; its parameter is not const.
    auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(part.data()));
    const NTSTATUS status = ::BCryptHashData(hash, bytes, static_cast<ULONG>(now), 0);
    if (!BCRYPT_SUCCESS(status)) return status;
    part.remove_prefix(now);
  }
  return NTSTATUS{0};
}

}  // namespace

KeyedHash::KeyedHash(Scoped<BcryptAlgorithmTraits> algorithm,
                     Scoped<BcryptHashTraits> hash) noexcept
    : algorithm_(std::move(algorithm)), hash_(std::move(hash)) {}

std::optional<std::string> KeyedHash::Create(std::string_view key, std::optional<KeyedHash>& hash) {
  hash.reset();
  if (key.size() > std::numeric_limits<ULONG>::max()) return std::string("the key is too long");
  // Each handle is adopted only once its call has succeeded: a failed call
  // promises nothing about what it left in the out-parameter.
  BCRYPT_ALG_HANDLE algorithmHandle = nullptr;
  NTSTATUS status = ::BCryptOpenAlgorithmProvider(&algorithmHandle, BCRYPT_SHA256_ALGORITHM,
                                                  nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (!BCRYPT_SUCCESS(status))
    return CngFailure("BCryptOpenAlgorithmProvider(SHA256, HMAC)", status);
  Scoped<BcryptAlgorithmTraits> algorithm(algorithmHandle);
  // A reusable hash object (Windows 8 and later) starts afresh under the
  // same key after every BCryptFinishHash. No object buffer: CNG keeps the
  // object's memory itself (Windows 7 and later).
  BCRYPT_HASH_HANDLE hashHandle = nullptr;
  auto* secret = reinterpret_cast<PUCHAR>(const_cast<char*>(key.data()));
  status = ::BCryptCreateHash(algorithm.Get(), &hashHandle, nullptr, 0, secret,
                              static_cast<ULONG>(key.size()), BCRYPT_HASH_REUSABLE_FLAG);
  if (!BCRYPT_SUCCESS(status)) return CngFailure("BCryptCreateHash(reusable)", status);
  hash.emplace(KeyedHash(std::move(algorithm), Scoped<BcryptHashTraits>(hashHandle)));
  return std::nullopt;
}

std::optional<std::string> KeyedHash::Hmac(std::initializer_list<std::string_view> parts,
                                           HmacSha256& mac) {
  if (failed_ || !hash_.IsValid()) return std::string(kUnusable);
  for (std::string_view part : parts) {
    if (const NTSTATUS status = HashPart(hash_.Get(), part); !BCRYPT_SUCCESS(status)) {
      failed_ = true;
      return CngFailure("BCryptHashData", status);
    }
  }
  const NTSTATUS status =
      ::BCryptFinishHash(hash_.Get(), mac.data(), static_cast<ULONG>(mac.size()), 0);
  if (!BCRYPT_SUCCESS(status)) {
    failed_ = true;
    return CngFailure("BCryptFinishHash", status);
  }
  return std::nullopt;
}

#else

namespace {

struct EvpMacTraits {
  using Handle = EVP_MAC*;
  static Handle Invalid() { return nullptr; }
  static void Free(Handle h) { ::EVP_MAC_free(h); }
};

// OpenSSL 3.0.0 to 3.0.2 took EVP_MAC_init without a key as success and
// reset nothing, so every message after the first would hash on from the
// last: wrong tags, no error (openssl/openssl#17811, fixed in 3.0.3).
constexpr unsigned long kFirstSoundVersion = 0x30000030UL;

// What failed, with the reason OpenSSL left on this thread's error queue.
std::string Failure(const char* call) {
  std::string text = std::string(call) + " failed";
  if (const unsigned long error = ::ERR_get_error(); error != 0) {
    std::array<char, 256> reason{};
    ::ERR_error_string_n(error, reason.data(), reason.size());
    text += ": ";
    text += reason.data();
  }
  ::ERR_clear_error();
  return text;
}

}  // namespace

void EvpMacContextTraits::Free(Handle h) { ::EVP_MAC_CTX_free(h); }

KeyedHash::KeyedHash(Scoped<EvpMacContextTraits> context) noexcept : context_(std::move(context)) {}

std::optional<std::string> KeyedHash::Create(std::string_view key, std::optional<KeyedHash>& hash) {
  hash.reset();
  if (::OpenSSL_version_num() < kFirstSoundVersion) {
    return std::string(::OpenSSL_version(OPENSSL_VERSION)) +
           " reuses an HMAC key wrongly; OpenSSL 3.0.3 or later is needed";
  }
  const Scoped<EvpMacTraits> mac(::EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr));
  if (!mac.IsValid()) return Failure("EVP_MAC_fetch(HMAC)");
  Scoped<EvpMacContextTraits> context(::EVP_MAC_CTX_new(mac.Get()));
  if (!context.IsValid()) return Failure("EVP_MAC_CTX_new");
  // OSSL_PARAM takes a non-const string; OpenSSL only reads it.
  char digest[] = OSSL_DIGEST_NAME_SHA2_256;
  const OSSL_PARAM parameters[] = {
      ::OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
      ::OSSL_PARAM_construct_end()};
  // A null key means "the key set before", so an empty key needs a pointer.
  static constexpr unsigned char kNoBytes[1] = {0};
  const auto* bytes = key.empty() ? kNoBytes : reinterpret_cast<const unsigned char*>(key.data());
  if (::EVP_MAC_init(context.Get(), bytes, key.size(), parameters) != 1) {
    return Failure("EVP_MAC_init(SHA256)");
  }
  hash.emplace(KeyedHash(std::move(context)));
  return std::nullopt;
}

std::optional<std::string> KeyedHash::Hmac(std::initializer_list<std::string_view> parts,
                                           HmacSha256& mac) {
  if (failed_ || !context_.IsValid()) return std::string(kUnusable);
  // No key: the one set up in Create is used again, its pads already hashed.
  if (::EVP_MAC_init(context_.Get(), nullptr, 0, nullptr) != 1) {
    failed_ = true;
    return Failure("EVP_MAC_init");
  }
  for (std::string_view part : parts) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(part.data());
    if (!part.empty() && ::EVP_MAC_update(context_.Get(), bytes, part.size()) != 1) {
      failed_ = true;
      return Failure("EVP_MAC_update");
    }
  }
  std::size_t written = 0;
  if (::EVP_MAC_final(context_.Get(), mac.data(), &written, mac.size()) != 1 ||
      written != mac.size()) {
    failed_ = true;
    return Failure("EVP_MAC_final");
  }
  return std::nullopt;
}

#endif

}  // namespace quorvex

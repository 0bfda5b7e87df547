// HMAC-SHA-256 from the platform's own implementation, never one of ours:
// CNG (bcrypt.dll) on Windows, OpenSSL 3's libcrypto elsewhere. A key is
// set up once and then serves any number of messages, so that a message
// costs its hashing and nothing more: no provider opened, no algorithm
// fetched, no key scheduled again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/scoped.h"

#if defined(_WIN32)
#include "platform/cng.h"
#else
#include <openssl/types.h>
#endif

namespace quorvex {

inline constexpr std::size_t kHmacSha256Bytes = 32;
using HmacSha256 = std::array<std::uint8_t, kHmacSha256Bytes>;

#if defined(_WIN32)
struct BcryptAlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Free(Handle h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct BcryptHashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Free(Handle h) { ::BCryptDestroyHash(h); }
};
#else
struct EvpMacContextTraits {
  using Handle = EVP_MAC_CTX*;
  static Handle Invalid() { return nullptr; }
  static void Free(Handle h);
};
#endif

// One HMAC-SHA-256 key and the platform's objects that hash under it.
class KeyedHash {
 public:
  // Sets `hash` up under `key` (any length; HMAC hashes a key longer than
  // SHA-256's 64-byte block first). Returns why not, naming the platform
  // call that failed, and leaves `hash` empty.
  static std::optional<std::string> Create(std::string_view key, std::optional<KeyedHash>& hash);

  KeyedHash(KeyedHash&&) noexcept = default;
  KeyedHash(const KeyedHash&) = delete;  // with the move above, this also rules out assignment
  ~KeyedHash() = default;

  // The HMAC of the message that is `parts` one after another, into `mac`,
  // or why not. After a failure of the platform the hasher gives no HMAC
  // again: a half-fed hash must never finish as some other message's.
  std::optional<std::string> Hmac(std::initializer_list<std::string_view> parts, HmacSha256& mac);

 private:
#if defined(_WIN32)
  KeyedHash(Scoped<BcryptAlgorithmTraits> algorithm, Scoped<BcryptHashTraits> hash) noexcept;

  // The provider must outlive the hash object made from it: declared first, closed last.
  Scoped<BcryptAlgorithmTraits> algorithm_;
  Scoped<BcryptHashTraits> hash_;
#else
  explicit KeyedHash(Scoped<EvpMacContextTraits> context) noexcept;

  Scoped<EvpMacContextTraits> context_;
#endif
  bool failed_ = false;
};

}  // namespace quorvex

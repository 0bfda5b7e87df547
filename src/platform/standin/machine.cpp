#include "platform/standin/machine.h"

#include <algorithm>
#include <cctype>

namespace quorvex::standin {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// True when `path` is `root` itself or a key below it.
bool IsAtOrBelow(std::string_view path, std::string_view root) {
  if (path.size() < root.size() || !EqualsIgnoreCase(path.substr(0, root.size()), root)) {
    return false;
  }
  return path.size() == root.size() || path[root.size()] == '\\';
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes TextValue(std::string_view text) {
  Bytes bytes = BytesOf(text);
  bytes.push_back(0);
  return bytes;
}

RegKeyData& Registry::Key(std::string_view path) {
  if (RegKeyData* key = Find(path)) return *key;
  keys_.push_back(RegKeyData{std::string(path), {}});
  return keys_.back();
}

const RegKeyData* Registry::Find(std::string_view path) const {
  const auto it = std::find_if(keys_.begin(), keys_.end(), [&](const RegKeyData& key) {
    return EqualsIgnoreCase(key.path, path);
  });
  return it == keys_.end() ? nullptr : &*it;
}

RegKeyData* Registry::Find(std::string_view path) {
  return const_cast<RegKeyData*>(static_cast<const Registry*>(this)->Find(path));
}

bool Registry::Remove(std::string_view path) {
  const auto before = keys_.size();
  keys_.erase(std::remove_if(keys_.begin(), keys_.end(),
                             [&](const RegKeyData& key) { return IsAtOrBelow(key.path, path); }),
              keys_.end());
  return keys_.size() != before;
}

void Registry::Set(std::string_view path, std::string_view name, DWORD type, Bytes data) {
  std::vector<RegValue>& values = Key(path).values;
  const auto it = std::find_if(values.begin(), values.end(),
                               [&](const RegValue& v) { return EqualsIgnoreCase(v.name, name); });
  RegValue value{std::string(name), type, std::move(data), std::nullopt};
  if (it == values.end()) {
    values.push_back(std::move(value));
  } else {
    *it = std::move(value);
  }
}

void Registry::SetString(std::string_view path, std::string_view name, std::string_view text,
                         DWORD type) {
  Set(path, name, type, TextValue(text));
}

bool Registry::Exists(std::string_view path) const {
  return std::any_of(keys_.begin(), keys_.end(),
                     [&](const RegKeyData& key) { return IsAtOrBelow(key.path, path); });
}

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

void ResetMachine() { TheMachine() = Machine{}; }

}  // namespace quorvex::standin

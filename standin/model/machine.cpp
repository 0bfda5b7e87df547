#include "standin/model/machine.h"

#include <algorithm>
#include <cctype>
#include <string>

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

std::string Folded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), Lower);
  return folded;
}

std::string ValueSlot(std::string_view path, std::string_view name) {
  return Folded(path) + '\0' + Folded(name);
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
  keyAt_.emplace(Folded(path), keys_.size());
  keys_.push_back(RegKeyData{std::string(path), {}});
  return keys_.back();
}

const RegKeyData* Registry::Find(std::string_view path) const {
  const auto at = keyAt_.find(Folded(path));
  return at == keyAt_.end() ? nullptr : &keys_[at->second];
}

RegKeyData* Registry::Find(std::string_view path) {
  return const_cast<RegKeyData*>(static_cast<const Registry*>(this)->Find(path));
}

bool Registry::Remove(std::string_view path) {
  const auto before = keys_.size();
  keys_.erase(std::remove_if(keys_.begin(), keys_.end(),
                             [&](const RegKeyData& key) { return IsAtOrBelow(key.path, path); }),
              keys_.end());
  Reindex();
  return keys_.size() != before;
}

void Registry::Set(std::string_view path, std::string_view name, DWORD type, Bytes data) {
  std::vector<RegValue>& values = Key(path).values;
  RegValue value{std::string(name), type, std::move(data)};
  const auto [at, added] = valueAt_.emplace(ValueSlot(path, name), values.size());
  if (added) {
    values.push_back(std::move(value));
  } else {
    values[at->second] = std::move(value);
  }
}

bool Registry::RemoveValue(std::string_view path, std::string_view name) {
  RegKeyData* key = Find(path);
  const auto at = valueAt_.find(ValueSlot(path, name));
  if (key == nullptr || at == valueAt_.end()) return false;
  key->values.erase(key->values.begin() + static_cast<std::ptrdiff_t>(at->second));
  Reindex();
  return true;
}

void Registry::Reindex() {
  keyAt_.clear();
  valueAt_.clear();
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    keyAt_.emplace(Folded(keys_[k].path), k);
    for (std::size_t v = 0; v < keys_[k].values.size(); ++v) {
      valueAt_.emplace(ValueSlot(keys_[k].path, keys_[k].values[v].name), v);
    }
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
  thread_local Machine machine;
  return machine;
}

void ResetMachine() { TheMachine() = Machine{}; }

}  // namespace quorvex::standin

#include "base/json_util.h"

#include <memory>

#include "base/file_io.h"

namespace {

// The text of a scalar element; arrays and objects have none (the library
// would throw), so they are reported as false and skipped by the callers.
bool ScalarText(const Json::Value& value, std::string* text) {
  if (value.isArray() || value.isObject()) return false;
  try {
    *text = value.asString();
  } catch (const Json::Exception&) {
    return false;
  }
  return true;
}

}  // namespace

bool ParseJson(const std::string& text, Json::Value* value, std::string* error) {
  if (text.empty()) return false;
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value parsed;
  std::string messages;
  bool ok = false;
  try {
    ok = reader->parse(text.data(), text.data() + text.size(), &parsed, &messages);
  } catch (const Json::Exception& e) {
    ok = false;
    messages += e.what();
  }
  *error = messages;
  if (!ok || !messages.empty()) return false;
  *value = std::move(parsed);
  return true;
}

bool FindJsonMemberDeep(const Json::Value& object, const std::string& key, Json::Value* out) {
  if (!object.isObject()) return false;
  for (auto member = object.begin(); member != object.end(); ++member) {
    const Json::Value& child = *member;
    if (member.name() == key && !child.isNull()) {
      // `out` may be `object` itself: copy before assigning.
      Json::Value found = child;
      *out = std::move(found);
      return true;
    }
    if (child.isArray()) {
      for (Json::ArrayIndex i = 0; i < child.size(); ++i) {
        if (FindJsonMemberDeep(child[i], key, out)) return true;
      }
    }
  }
  return false;
}

bool GetStringList(const Json::Value& value, const std::string& key,
                   std::vector<std::string>* strings) {
  strings->clear();
  Json::Value found;
  if (!FindJsonMemberDeep(value, key, &found)) return false;
  std::string text;
  if (found.isArray()) {
    for (Json::ArrayIndex i = 0; i < found.size(); ++i) {
      if (ScalarText(found[i], &text)) strings->push_back(text);
    }
  } else if (ScalarText(found, &text)) {
    strings->push_back(text);
  }
  return !strings->empty();
}

std::string WriteJsonText(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "\t";
  return Json::writeString(builder, value);
}

bool WriteJsonFileA(const std::string& path, const Json::Value& value) {
  return WriteStringToFileA(path, WriteJsonText(value));
}

bool WriteStringListFile(const std::string& path, const std::vector<std::string>& strings) {
  Json::Value list;
  for (const std::string& text : strings) list.append(text);
  return WriteStringToFileA(path, WriteJsonText(list));
}

bool ReadStringListFile(const std::string& path, std::vector<std::string>* strings) {
  std::string bytes;
  Json::Value root;
  std::string error;
  if (!ReadFileToStringA(path, &bytes) || !ParseJson(bytes, &root, &error) || !root.isArray()) {
    return false;
  }
  std::string text;
  for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
    if (ScalarText(root[i], &text)) strings->push_back(text);
  }
  return true;
}

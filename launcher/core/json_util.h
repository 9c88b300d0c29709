#pragma once

#include <string>
#include <vector>

#include <json/json.h>

// Parses with the library's default reader; library exceptions become false.
bool ParseJson(const std::string& text, Json::Value* value, std::string* error);
// Finds `key` among the object's members, or inside objects held by its array
// members (members in name order); a null member counts as absent.
bool FindJsonMemberDeep(const Json::Value& object, const std::string& key, Json::Value* out);
bool GetStringList(const Json::Value& value, const std::string& key,
                   std::vector<std::string>* strings);
// The "\t"-indented text every JSON file of the launcher is written with.
std::string WriteJsonText(const Json::Value& value);
bool WriteJsonFileA(const std::string& path, const Json::Value& value);
void WriteStringListFile(const std::string& path, const std::vector<std::string>& strings);
bool ReadStringListFile(const std::string& path, std::vector<std::string>* strings);

#pragma once

#include <string>
#include <vector>

#include <json/json.h>

// Parses with the library's default reader; library exceptions become false.
bool ParseJson(const std::string& text, Json::Value* value, std::string* error);
// Finds `key` among the object's members, or inside objects held by its array
// members (members in name order); a null member counts as absent.
bool FindJsonMemberDeep(const Json::Value& object, const std::string& key, Json::Value* out);
// The texts of the member found by FindJsonMemberDeep: each element of an
// array, or the value itself. Arrays and objects have no text and are
// skipped. False when nothing is found or no text remains.
bool GetStringList(const Json::Value& value, const std::string& key,
                   std::vector<std::string>* strings);
// The "\t"-indented text every JSON file of the launcher is written with.
std::string WriteJsonText(const Json::Value& value);
bool WriteJsonFileA(const std::string& path, const Json::Value& value);
// A JSON array of texts; an empty list is written as "null". False when the
// file could not be written.
bool WriteStringListFile(const std::string& path, const std::vector<std::string>& strings);
// Appends the texts of the file's array (array and object elements skipped);
// false, list untouched, when the file is missing, not JSON or not an array.
bool ReadStringListFile(const std::string& path, std::vector<std::string>* strings);

#pragma once

#include <string>
#include <vector>

namespace ui {

// A text cut into lines, each line into the units that spaced text lays out
// one by one.
using TextUnitLines = std::vector<std::vector<std::wstring>>;

// Cuts `text` at line breaks (runs of breaks count as one) and every line
// into drawing units. Text with any Arabic character is cut by the Arabic
// joining rule (units of each line in reverse order, ready for right-to-left
// placement); other text by UTF-8 characters, keeping Thai combining marks
// with the character before them. False for an empty text or a line that
// cannot be converted; `lines` then keeps what was cut so far.
bool SplitTextIntoUnits(const std::wstring& text, TextUnitLines* lines);

// One unit per UTF-8 character (its length read from the lead byte), a
// three-byte character taken together with a following Thai combining mark.
// A character cut off by the end of the text drops the rest.
std::vector<std::wstring> SplitUtf8Units(const std::string& utf8);

// Runs of Arabic letters that join each other (and lam with a following
// alef) form one unit; every other character is a unit of its own. Units are
// in reading order.
std::vector<std::wstring> SplitArabicUnits(const std::wstring& line);

}  // namespace ui

#include "ui/render/text_splitter.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "base/string_util.h"

namespace ui {
namespace {

// A letter followed by its isolated, initial, medial and final presentation
// forms (0: no such form). Only which forms exist decides how letters join.
struct JoiningForms {
  wchar_t letter;
  wchar_t isolated;
  wchar_t initial;
  wchar_t medial;
  wchar_t final_form;
};

constexpr JoiningForms kJoiningTable[] = {
    {0x0621, 0xFE80, 0, 0, 0},
    {0x0622, 0xFE81, 0, 0, 0xFE82},
    {0x0623, 0xFE83, 0, 0, 0xFE84},
    {0x0624, 0xFE85, 0, 0, 0xFE86},
    {0x0625, 0xFE87, 0, 0, 0xFE88},
    {0x0626, 0xFE89, 0xFE8B, 0xFE8C, 0xFE8A},
    {0x0627, 0xFE8D, 0, 0, 0xFE8E},
    {0x0628, 0xFE8F, 0xFE91, 0xFE92, 0xFE90},
    {0x0629, 0xFE93, 0, 0, 0xFE94},
    {0x062A, 0xFE95, 0xFE97, 0xFE98, 0xFE96},
    {0x062B, 0xFE99, 0xFE9B, 0xFE9C, 0xFE9A},
    {0x062C, 0xFE9D, 0xFE9F, 0xFEA0, 0xFE9E},
    {0x062D, 0xFEA1, 0xFEA3, 0xFEA4, 0xFEA2},
    {0x062E, 0xFEA5, 0xFEA7, 0xFEA8, 0xFEA6},
    {0x062F, 0xFEA9, 0, 0, 0xFEAA},
    {0x0630, 0xFEAB, 0, 0, 0xFEAC},
    {0x0631, 0xFEAD, 0, 0, 0xFEAE},
    {0x0632, 0xFEAF, 0, 0, 0xFEB0},
    {0x0633, 0xFEB1, 0xFEB3, 0xFEB4, 0xFEB2},
    {0x0634, 0xFEB5, 0xFEB7, 0xFEB8, 0xFEB6},
    {0x0635, 0xFEB9, 0xFEBB, 0xFEBC, 0xFEBA},
    {0x0636, 0xFEBD, 0xFEBF, 0xFEC0, 0xFEBE},
    {0x0637, 0xFEC1, 0xFEC3, 0xFEC4, 0xFEC2},
    {0x0638, 0xFEC5, 0xFEC7, 0xFEC8, 0xFEC6},
    {0x0639, 0xFEC9, 0xFECB, 0xFECC, 0xFECA},
    {0x063A, 0xFECD, 0xFECF, 0xFED0, 0xFECE},
    {0x0640, 0x0640, 0, 0, 0},
    {0x0641, 0xFED1, 0xFED3, 0xFED4, 0xFED2},
    {0x0642, 0xFED5, 0xFED7, 0xFED8, 0xFED6},
    {0x0643, 0xFED9, 0xFEDB, 0xFEDC, 0xFEDA},
    {0x0644, 0xFEDD, 0xFEDF, 0xFEE0, 0xFEDE},
    {0x0645, 0xFEE1, 0xFEE3, 0xFEE4, 0xFEE2},
    {0x0646, 0xFEE5, 0xFEE7, 0xFEE8, 0xFEE6},
    {0x0647, 0xFEE9, 0xFEEB, 0xFEEC, 0xFEEA},
    {0x0648, 0xFEED, 0, 0, 0xFEEE},
    {0x0649, 0xFEEF, 0, 0, 0xFEF0},
    {0x064A, 0xFEF1, 0xFEF3, 0xFEF4, 0xFEF2},
};

// Marks that sit on a letter without breaking the join around it.
constexpr wchar_t kSkippedMarks[] = {
    0x0610, 0x0612, 0x0613, 0x0614, 0x0615, 0x064B, 0x064C, 0x064D, 0x064E, 0x064F,
    0x0650, 0x0651, 0x0652, 0x0653, 0x0654, 0x0655, 0x0656, 0x0657, 0x0658, 0x0670,
    0x06D6, 0x06D7, 0x06D8, 0x06D9, 0x06DA, 0x06DB, 0x06DC, 0x06DF, 0x06E0, 0x06E1,
    0x06E2, 0x06E3, 0x06E4, 0x06E7, 0x06E8, 0x06EA, 0x06EB, 0x06EC, 0x06ED,
};

constexpr wchar_t kLam = 0x0644;
constexpr wchar_t kTatweel = 0x0640;

const JoiningForms* FindLetter(wchar_t c) {
  for (const JoiningForms& row : kJoiningTable) {
    if (row.letter == c) return &row;
  }
  return nullptr;
}

bool IsSkippedMark(wchar_t c) {
  return std::find(std::begin(kSkippedMarks), std::end(kSkippedMarks), c) !=
         std::end(kSkippedMarks);
}

bool IsAlef(wchar_t c) { return c == 0x0622 || c == 0x0623 || c == 0x0625 || c == 0x0627; }

bool IsArabicBlock(wchar_t c) {
  return (c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F);
}

// The nearest letter before `index` (marks skipped) when it joins forward.
const JoiningForms* PreviousJoiner(const std::wstring& line, size_t index) {
  while (index > 0) {
    --index;
    if (IsSkippedMark(line[index])) continue;
    const JoiningForms* letter = FindLetter(line[index]);
    return letter && (letter->initial || letter->medial) ? letter : nullptr;
  }
  return nullptr;
}

// The nearest letter after `index` (marks skipped) when it joins backward.
const JoiningForms* NextJoiner(const std::wstring& line, size_t index) {
  for (++index; index < line.size(); ++index) {
    if (IsSkippedMark(line[index])) continue;
    const JoiningForms* letter = FindLetter(line[index]);
    if (!letter) return nullptr;
    return letter->medial || letter->final_form || letter->letter == kTatweel ? letter : nullptr;
  }
  return nullptr;
}

// Second and third bytes of the Thai vowels and marks that combine with the
// character before them (U+0E31, U+0E33..U+0E3A, U+0E47..U+0E4E).
bool IsThaiCombiningTail(unsigned char second, unsigned char third) {
  if (second == 0xB8) return third == 0xB1 || (third >= 0xB3 && third <= 0xBA);
  if (second == 0xB9) return third >= 0x87 && third <= 0x8E;
  return false;
}

size_t Utf8UnitLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  if ((lead & 0xFC) == 0xF8) return 5;
  if ((lead & 0xFE) == 0xFC) return 6;
  return 1;
}

// Invalid sequences become U+FFFD, so every unit stays visible.
std::wstring Utf8UnitToWide(const char* bytes, size_t length) {
  const int count = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), nullptr, 0);
  std::wstring wide(count > 0 ? count : 0, L'\0');
  if (count > 0) {
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), &wide[0], count);
  }
  return wide;
}

bool LineToUtf8(const std::wstring& line, std::string* utf8) {
  const int count =
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, line.data(), static_cast<int>(line.size()),
                          nullptr, 0, nullptr, nullptr);
  if (count <= 0) return false;
  utf8->assign(count, '\0');
  return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, line.data(),
                             static_cast<int>(line.size()), &(*utf8)[0], count, nullptr,
                             nullptr) == count;
}

}  // namespace

std::vector<std::wstring> SplitUtf8Units(const std::string& utf8) {
  std::vector<std::wstring> units;
  size_t position = 0;
  while (position < utf8.size()) {
    const size_t left = utf8.size() - position;
    size_t length = Utf8UnitLength(static_cast<unsigned char>(utf8[position]));
    if (length == 3 && left >= 6 &&
        IsThaiCombiningTail(static_cast<unsigned char>(utf8[position + 4]),
                            static_cast<unsigned char>(utf8[position + 5]))) {
      length = 6;
    }
    if (length > left) break;
    units.push_back(Utf8UnitToWide(utf8.data() + position, length));
    position += length;
  }
  return units;
}

std::vector<std::wstring> SplitArabicUnits(const std::wstring& line) {
  std::vector<std::wstring> units;
  size_t start = 0;  // first character of the open unit
  // Emits the open unit up to (not including) `end` when it is not empty.
  auto emit_until = [&](size_t end) {
    if (end > start) units.push_back(line.substr(start, end - start));
    start = end;
  };
  size_t i = 0;
  while (i < line.size()) {
    const wchar_t c = line[i];
    const JoiningForms* letter = FindLetter(c);
    if (!letter) {
      // A mark inside a run of joined letters stays with them.
      if (!(start < i && IsSkippedMark(c))) {
        emit_until(i);
        emit_until(i + 1);
      }
      ++i;
      continue;
    }
    const JoiningForms* previous = PreviousJoiner(line, i);
    const JoiningForms* next = NextJoiner(line, i);
    if (c == kLam && next && IsAlef(next->letter)) {
      if (!previous) emit_until(i);
      emit_until(i + 2);
      i += 2;
      continue;
    }
    if (previous && next && letter->medial) {
      ++i;
      continue;
    }
    if (previous && letter->final_form) {
      emit_until(i + 1);
      ++i;
      continue;
    }
    if (next && letter->initial) {
      ++i;
      continue;
    }
    emit_until(i);
    emit_until(i + 1);
    ++i;
  }
  emit_until(line.size());
  return units;
}

bool SplitTextIntoUnits(const std::wstring& text, TextUnitLines* lines) {
  lines->clear();
  if (text.empty()) return false;
  const std::vector<std::wstring> text_lines = qbase::SplitWide(text, L"\n");
  if (std::any_of(text.begin(), text.end(), IsArabicBlock)) {
    for (const std::wstring& line : text_lines) {
      std::vector<std::wstring> units = SplitArabicUnits(line);
      std::reverse(units.begin(), units.end());
      lines->push_back(std::move(units));
    }
    return true;
  }
  for (const std::wstring& line : text_lines) {
    std::string utf8;
    if (!LineToUtf8(line, &utf8)) return false;
    lines->push_back(SplitUtf8Units(utf8));
  }
  return true;
}

}  // namespace ui

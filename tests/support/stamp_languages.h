#pragma once

#include <cstdint>

namespace wuvo::test {

// Numbers of the stamp language list that the tests name.
constexpr uint32_t kNumeric = 0;
constexpr uint32_t kChinese = 1;
constexpr uint32_t kEnglish = 2;
constexpr uint32_t kBulgarian = 5;
constexpr uint32_t kFrench = 11;
constexpr uint32_t kGerman = 12;
constexpr uint32_t kJapanese = 17;
constexpr uint32_t kKorean = 18;
constexpr uint32_t kRussian = 23;

}  // namespace wuvo::test

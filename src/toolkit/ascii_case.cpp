// ASCII letter case.
#include "toolkit/ascii_case.h"

#include <algorithm>

namespace pictavia {

namespace {

constexpr char kCaseBit = 'a' - 'A';

constexpr char ToUpper(char C) {
  return C >= 'a' && C <= 'z' ? static_cast<char>(C - kCaseBit) : C;
}
constexpr char ToLower(char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<char>(C + kCaseBit) : C;
}

}  // namespace

std::string UpperCase(std::string S) {
  std::transform(S.begin(), S.end(), S.begin(), ToUpper);
  return S;
}

std::string LowerCase(std::string S) {
  std::transform(S.begin(), S.end(), S.begin(), ToLower);
  return S;
}

bool SameText(std::string_view A, std::string_view B) {
  return std::equal(A.begin(), A.end(), B.begin(), B.end(),
                    [](char X, char Y) { return ToUpper(X) == ToUpper(Y); });
}

}  // namespace pictavia

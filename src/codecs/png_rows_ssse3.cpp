// Row conversions with SSSE3 byte shuffles; compiled with -mssse3.
#include "codecs/internal/png_rows.h"

namespace pictavia {

void ConvertGray16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                        const TRowTarget& To, const uint8_t* Gamma) {
  ConvertGray16Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGB8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                      const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGB8Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGB16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGB16Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertGrayAlpha8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma) {
  ConvertGrayAlpha8Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertGrayAlpha16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                             const TRowTarget& To, const uint8_t* Gamma) {
  ConvertGrayAlpha16Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGBA8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGBA8Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGBA16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                        const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGBA16Reference(Src, Count, XStart, XStep, To, Gamma);
}

}  // namespace pictavia

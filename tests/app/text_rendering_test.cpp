// A text object renders to the same pixels every time in one process, whatever the window drew
// with other fonts meanwhile: undo, redo, Save and render of a project all redraw texts, and
// must all give the bytes the editor showed.
#include <QLineEdit>

#include "document/document_editing.h"
#include "document/document_layers.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

std::unique_ptr<TBitmap32> TextPicture(const std::string& Text, int Size) {
  TDocument doc;
  NewDocumentCanvas(doc, 300, 100, 0xFFFFFFFFu);
  const uint64_t t = AddText(doc, Point(150, 50));
  if (Size != 16 || Text != DefaultObjectText)
    ApplyObjectText(doc, t, Text, TFontSpec{"Arial", Size, fsBold}, DefaultTextColor);
  return FlattenDocument(doc);
}

int Differing(const TBitmap32& A, const TBitmap32& B) {
  int d = 0;
  for (int i = 0; i < A.Width() * A.Height(); ++i) d += A.Bits()[i] != B.Bits()[i];
  return d;
}

TEST(TextRendering, TheSameTextGivesTheSamePixelsWhateverWasDrawnBetween) {
  const auto first = TextPicture(DefaultObjectText, 16);
  for (int size = 8; size <= 24; size += 4) {
    {
      // A text box of the window in another size of the same font, as the text panel shows.
      QLineEdit edit;
      TFont font;
      font.SetName("Arial");
      font.SetSize(size);
      font.SetStyle(fsBold);
      edit.setFont(font.ToQFont());
      edit.setText("Fête 2026 Enter Your Text");
      edit.show();
      testsupport::Flush();
    }
    EXPECT_EQ(Differing(*first, *TextPicture(DefaultObjectText, 16)), 0) << "after size " << size;
    TextPicture("Fête 2026", size);
    EXPECT_EQ(Differing(*first, *TextPicture(DefaultObjectText, 16)), 0) << "after size " << size;
  }
}

}  // namespace

}  // namespace pictavia

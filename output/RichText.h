// Turns read rich text into a Qt text document.
#pragma once

#include "output/core/RtfReader.h"

class QTextDocument;

namespace jotanor {

// Replaces the contents of `document`: one block per paragraph with its
// alignment; bold, italic, underline, size, colour and font per run. What a
// run leaves unset takes the document's default font.
void fillDocument(QTextDocument& document, const RtfDocument& rtf);

}  // namespace jotanor

// What a terminal shows for the code-page-437 glyph bytes the games draw.
#pragma once

// The characters the DOS console showed, in UTF-8; or, for a terminal whose
// character set is not UTF-8, ASCII stand-ins chosen so the board still reads
// the same (walls X, bodies | - . ', heads ^ v < >, the two-player apple @;
// the one-player apple is already the ASCII #). nullptr for any other byte.
const char* glyphText(unsigned char glyph, bool utf8);

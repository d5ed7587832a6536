// An element's subtree as plain text: what scripts read as the text of an
// option or a link, and what copying takes.
#pragma once

class HtmlElement;

// Lays the element's content out as one long line of plain text into
// buffer (of size bytes, always ended by a zero byte) and answers the
// number of bytes written. A size below 1 answers 0 and leaves the buffer
// untouched; a piece of text that does not fit whole is left out.
int RenderElementText(HtmlElement* element, char* buffer, int size);

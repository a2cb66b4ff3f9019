// The message editor's counter and the Subject label.
#pragma once

// After every change of the editor: the three message texts, the subject line, the counter
// in the status line, and the label.
void updateCounter();

// Draws the Subject label in the colour for the count against the limit, and starts the
// warning sound when the count meets the limit exactly.
void drawSubjectLabel();

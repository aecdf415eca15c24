#ifndef LINESPACING_H
#define LINESPACING_H

class QWidget;

// A font that stands in for a missing one may have lines several times as tall
// as its letters: wine falls back from Arial to a maths font with room for
// tall formulas above and below each line. Every label, button and field sizes
// itself by that line height, so the form grows taller than the screen. This
// lets each of them below `form` shrink to the height it would ask for with
// an ordinary line height (1.3 times the font's size), which its letters
// still fit; with an ordinary font nothing changes.
void allowOrdinaryLineHeights(QWidget *form);

#endif // LINESPACING_H

#pragma once
// Form geometry in dialog units, scaled by the form's font the way dialog templates are.

#include <QFont>
#include <QRect>

namespace pm {

class DialogUnits {
  public:
    /** Units of a form drawn in font. */
    explicit DialogUnits(const QFont& font);
    /** Horizontal dialog units to pixels. */
    [[nodiscard]] int X(int units) const;
    /** Vertical dialog units to pixels. */
    [[nodiscard]] int Y(int units) const;
    /** A rectangle in dialog units to pixels. */
    [[nodiscard]] QRect Rect(int x, int y, int w, int h) const;

  private:
    int baseX_;
    int baseY_;
};

}  // namespace pm

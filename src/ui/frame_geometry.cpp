#include "ui/frame_geometry.h"

#include <ostream>

namespace vesko {

std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << "(" << p.x << ", " << p.y << ")";
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << s.width << " x " << s.height;
}

}  // namespace vesko

#include "ui/desktop_icons.h"

namespace lisotrex::ui {

QByteArray applicationIconSvg() {
    // An address card with a fax machine in front of it.
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
        "  <rect x=\"6\" y=\"6\" width=\"44\" height=\"36\" rx=\"4\" fill=\"#f4f1e8\" stroke=\"#4a5568\" stroke-width=\"2\"/>\n"
        "  <circle cx=\"18\" cy=\"19\" r=\"5\" fill=\"#7b8fa6\"/>\n"
        "  <path d=\"M10 32 q8 -9 16 0\" fill=\"#7b8fa6\"/>\n"
        "  <path d=\"M30 16 h14 M30 22 h14 M30 28 h10\" stroke=\"#4a5568\" stroke-width=\"2\"/>\n"
        "  <rect x=\"30\" y=\"30\" width=\"18\" height=\"14\" fill=\"#ffffff\" stroke=\"#2d3748\" stroke-width=\"2\"/>\n"
        "  <rect x=\"22\" y=\"40\" width=\"36\" height=\"18\" rx=\"3\" fill=\"#5a6e8c\" stroke=\"#2d3748\" stroke-width=\"2\"/>\n"
        "  <path d=\"M28 50 h24\" stroke=\"#dbe4ee\" stroke-width=\"2\"/>\n"
        "</svg>\n");
}

QByteArray bookFileIconSvg() {
    // A page with a folded corner and the lines of an address list.
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
        "  <path d=\"M12 4 h28 l12 12 v44 h-40 z\" fill=\"#ffffff\" stroke=\"#4a5568\" stroke-width=\"2\"/>\n"
        "  <path d=\"M40 4 v12 h12\" fill=\"#e2e8f0\" stroke=\"#4a5568\" stroke-width=\"2\"/>\n"
        "  <circle cx=\"20\" cy=\"26\" r=\"3\" fill=\"#5a6e8c\"/>\n"
        "  <circle cx=\"20\" cy=\"36\" r=\"3\" fill=\"#5a6e8c\"/>\n"
        "  <circle cx=\"20\" cy=\"46\" r=\"3\" fill=\"#5a6e8c\"/>\n"
        "  <path d=\"M27 26 h18 M27 36 h18 M27 46 h14\" stroke=\"#4a5568\" stroke-width=\"2\"/>\n"
        "</svg>\n");
}

} // namespace lisotrex::ui

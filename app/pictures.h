// The program's pictures: picture buttons, decorations of the left panels,
// tab icons, button glyphs, the about box's picture and the program icon.
// They are drawn by tools/makepictures.cpp and built into the program as Qt
// resources (app/tricoma.qrc), so nothing is read from disk at run time.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <vector>

namespace pictures {

enum class Id {
    UeberUp, UeberDown, EndeUp, EndeDown,   // picture buttons, 101 x 30
    DecoSize, DecoColours, DecoCompute, DecoResult,  // left panels, 193 x 281
    Tab0, Tab1, Tab2, Tab3, Tab4, Tab5, Tab6,  // tab icons, 16 x 16
    GlyphCompute, GlyphSave, GlyphPrint, GlyphOk, GlyphWeb,  // button glyphs
    WebLogo,     // the web-site button, 24 x 25
    About,       // about box, 306 x 322
    Icon,        // program icon, 256 x 256
    ListFolder, ListPicture, ListFile,  // file list icons, 16 x 16
};

struct Entry {
    Id id;
    const char* file;  // name inside the resource folder and app/pictures/
    int width;
    int height;
};

// Every picture with its file name and size.
const std::vector<Entry>& all();
const Entry& entry(Id id);

// The picture from the resources (a null pixmap if it is missing).
QPixmap get(Id id);
// Tab icon i of the list of seven.
QPixmap tabIcon(int i);
QIcon programIcon();

}  // namespace pictures

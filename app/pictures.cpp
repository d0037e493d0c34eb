#include "app/pictures.h"

#include <QString>

// The resources sit in a static library: nothing would pull their object
// file into the program unless they are registered by name.
static void registerResources() { Q_INIT_RESOURCE(tricoma); }

namespace pictures {

const std::vector<Entry>& all() {
    static const std::vector<Entry> table = {
        {Id::UeberUp, "ueber.png", 101, 30},
        {Id::UeberDown, "ueber_down.png", 101, 30},
        {Id::EndeUp, "ende.png", 101, 30},
        {Id::EndeDown, "ende_down.png", 101, 30},
        {Id::DecoSize, "deco_heart.png", 193, 281},
        {Id::DecoColours, "deco_fairisle.png", 193, 281},
        {Id::DecoCompute, "deco_star.png", 193, 281},
        {Id::DecoResult, "deco_tree.png", 193, 281},
        {Id::Tab0, "tab0.png", 16, 16},
        {Id::Tab1, "tab1.png", 16, 16},
        {Id::Tab2, "tab2.png", 16, 16},
        {Id::Tab3, "tab3.png", 16, 16},
        {Id::Tab4, "tab4.png", 16, 16},
        {Id::Tab5, "tab5.png", 16, 16},
        {Id::Tab6, "tab6.png", 16, 16},
        {Id::GlyphCompute, "glyph_compute.png", 16, 16},
        {Id::GlyphSave, "glyph_save.png", 16, 16},
        {Id::GlyphPrint, "glyph_print.png", 16, 16},
        {Id::GlyphOk, "glyph_ok.png", 16, 16},
        {Id::GlyphWeb, "glyph_web.png", 16, 16},
        {Id::WebLogo, "weblogo.png", 24, 25},
        {Id::About, "about.png", 306, 322},
        {Id::Icon, "icon.png", 256, 256},
        {Id::ListFolder, "list_folder.png", 16, 16},
        {Id::ListPicture, "list_picture.png", 16, 16},
        {Id::ListFile, "list_file.png", 16, 16},
    };
    return table;
}

const Entry& entry(Id id) {
    for (const Entry& e : all())
        if (e.id == id) return e;
    return all().front();
}

QPixmap get(Id id) {
    static const bool registered = (registerResources(), true);
    (void)registered;
    return QPixmap(QStringLiteral(":/pictures/") + QString::fromLatin1(entry(id).file));
}

QPixmap tabIcon(int i) {
    if (i < 0 || i > 6) return QPixmap();
    return get(Id(int(Id::Tab0) + i));
}

QIcon programIcon() {
    QIcon icon;
    QPixmap big = get(Id::Icon);
    for (int s : {16, 32, 48, 64, 128}) icon.addPixmap(big.scaled(s, s, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon.addPixmap(big);
    return icon;
}

}  // namespace pictures

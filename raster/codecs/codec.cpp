#include "raster/codecs/codec.h"

namespace pixkit {

const char* statusText(Status s) {
    switch (s) {
    case Status::Ok: return "Kein Fehler";
    case Status::UnknownFormat: return "Unbekanntes Dateiformat";
    case Status::Corrupt: return "Datei ist beschädigt";
    case Status::Truncated: return "Datei ist beschädigt oder unvollständig";
    case Status::TooLarge: return "Bild ist zu groß";
    case Status::NoMemory: return "Nicht genügend Speicher für das Bild";
    case Status::Unsupported: return "Diese Variante des Dateiformats wird nicht unterstützt";
    case Status::CannotOpen: return "Datei kann nicht geöffnet werden";
    case Status::WriteFailed: return "Datei kann nicht geschrieben werden";
    }
    return "Unbekannter Fehler";
}

}  // namespace pixkit

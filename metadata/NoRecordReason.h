#pragma once

#include <QString>

// Why a reader gave no record for a file. The readers decide exactly as they would without being
// asked; the reason only tells a person (the command line's summary) which of their tests failed.
enum class NoRecordReason {
    None,                 // a record was read
    Missing,              // no file of that name
    NotRegularFile,       // a folder, a device, ...
    Unreadable,           // the file exists but cannot be opened
    NotCameraPicture,     // no TIFF header ("II" or "MM") at byte 12: not the camera's layout
    NoMakerNote,          // the camera's maker note is not found in the search window or runs past the end
    EncryptionRefused,    // a maker-note generation whose encryption type the import refuses
    NotStillOrMovieIndex, // from maker-note version 4 on only ".JPG" stills and ".MIF" movie indexes count
    MovieMissing,         // a movie index whose movie is not beside it
    Damaged,              // a tag the record needs is missing or runs past the end, or decryption failed
    NotBasicLayout,       // the basic edition reads only big-endian stills below maker-note version 2.1
};

// The reason a file that could not be opened gives: looked up only after the open failed.
NoRecordReason openFailureReason(const QString& path);

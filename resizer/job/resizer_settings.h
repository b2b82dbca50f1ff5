#pragma once

#include <string>

// The size rules, in the order of the dialog's radio buttons.
enum SizeMode : int { ScaleByPercent = 0, FitHeight = 1, FitWidth = 2, FitBox = 3, KeepSize = 4 };

// The values of the resizer dialog that the batch job reads. Texts are UTF-8. Nothing persists.
struct ResizerSettings {
    std::string sourceFolder;  // ends in a separator once a folder is chosen
    std::string outputFolder = DefaultOutputFolder();
    bool overwriteOriginals = false;
    int sizeMode = ScaleByPercent;  // 0-4
    int scalePercent = 100;         // 10-400
    int targetWidth = 400;          // 50-4000
    int targetHeight = 300;         // 50-4000
    int jpegQuality = 50;           // 10-100

    // "~/MyAlbum" here ("C:\MyAlbum" on Windows), as the album maker's default output folder.
    static std::string DefaultOutputFolder();
};

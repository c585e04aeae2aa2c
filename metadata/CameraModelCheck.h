#pragma once

#include "metadata/ExifEntity.h"

// The camera test: whether a record comes from one of the supported cameras. The transfer job of
// each edition asks it before it touches a file.
namespace CameraModelCheck {

// Full edition: the trimmed description contains "KORVA DENTAL DIGITAL CAMERA", the trimmed make
// contains "KORVA INC." and the trimmed model is one of the three supported models.
bool checkValidImageData(const ExifEntity& record);

// Basic edition: the same, except that the trimmed model only has to contain "Orthavisio K-22"
// (which "Orthavisio K-222" also does).
bool checkValidImageDataBasic(const ExifEntity& record);

} // namespace CameraModelCheck

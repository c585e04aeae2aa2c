#pragma once

// The writer lives in camerafiles/; this name stays for the tests that still include it here.
#include "camerafiles/CameraFileWriter.h"

#pragma once
// The scanner and image-file library as the program calls it.

#include "platform/scan/image_files.h"
#include "platform/scan/scanner.h"

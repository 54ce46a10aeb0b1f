#pragma once
// Image files: load a bitmap file behind a handle; write it as BMP, JPEG or PDF.
// (Filled in with the image-file half of the library.)

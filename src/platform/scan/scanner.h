#pragma once
// Scanner sources over SANE. (Filled in with the scanner half of the library.)

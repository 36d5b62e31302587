#pragma once

// Resource ids shared by the program's resource script and the window classes. The program's
// icon is its first icon resource, the one Explorer shows for the file.
#define KOVA_ICON 1

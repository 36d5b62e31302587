#include <gtest/gtest.h>
#include <windows.h>

#include "base/Classes.h"
#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "base/Streams.h"

using namespace kova;

TEST(Locale, AnsiCodePageIsJapanese) { EXPECT_EQ(932u, GetACP()); }

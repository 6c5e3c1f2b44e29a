// The program starts in the user's locale (QApplication takes it for the C library), yet
// writes and reads its numbers in the C locale: under a German locale printf would write
// 0,25 and strtod would stop at the point of 0.25.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/qt/qt_services.h"
#include "support/german_locale.h"

namespace {

TEST(NumberLocale, UnderAGermanLocaleNumbersStayInTheCLocaleAndTextInTheUsers) {
  USE_GERMAN_LOCALE(german);
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", 0.25);
  ASSERT_EQ(std::string(text), "0,25");  // the locale the user's start gives
  platform::qt::KeepNumbersInTheCLocale();
  std::snprintf(text, sizeof text, "%.2f", 0.25);
  EXPECT_EQ(std::string(text), "0.25");
  EXPECT_EQ(std::strtod("2.5", nullptr), 2.5);
  // The user's character set stays: file names and titles in UTF-8.
  EXPECT_NE(std::string(std::setlocale(LC_CTYPE, nullptr)).find("de_DE"), std::string::npos);
}

}  // namespace

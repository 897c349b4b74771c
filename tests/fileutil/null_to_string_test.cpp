// Field values as text: Null is empty, numbers in plain form regardless of the locale.
#include "fileutil/null_to_string.h"

#include <gtest/gtest.h>

#include <clocale>

namespace sorbel {
namespace {

TEST(NullToStringTest, EachKindOfValue) {
  EXPECT_EQ(NullToString(FieldValue{}), "");
  EXPECT_EQ(NullToString(FieldValue{std::string_view("")}), "");
  EXPECT_EQ(NullToString(FieldValue{std::string_view("家電, \"x\"")}), "家電, \"x\"");
  EXPECT_EQ(NullToString(FieldValue{std::int64_t{123}}), "123");
  EXPECT_EQ(NullToString(FieldValue{std::int64_t{-9223372036854775807LL - 1}}),
            "-9223372036854775808");
  EXPECT_EQ(NullToString(FieldValue{12.5}), "12.5");
  EXPECT_EQ(NullToString(FieldValue{0.1}), "0.1");
  EXPECT_EQ(NullToString(FieldValue{-0.25}), "-0.25");
}

TEST(NullToStringTest, NoLocaleSeparators) {
  // A German locale would print 12,5 through printf; the plain form must not change.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  EXPECT_EQ(NullToString(FieldValue{12.5}), "12.5");
  EXPECT_EQ(NullToString(FieldValue{std::int64_t{1200000}}), "1200000");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace sorbel

#define BOOST_TEST_MODULE shop
#include <boost/test/included/unit_test.hpp>

#include <cmath>
#include <string>

namespace utf = boost::unit_test;

BOOST_AUTO_TEST_SUITE(checkout_C17)

BOOST_AUTO_TEST_CASE(total) { BOOST_TEST(2 + 2 == 4); }

BOOST_AUTO_TEST_CASE(discount) { BOOST_TEST(std::round(9.5) == 9, "rounding is off by one"); }

BOOST_AUTO_TEST_SUITE_END()

BOOST_AUTO_TEST_SUITE(search_C18)

BOOST_AUTO_TEST_CASE(total) { BOOST_TEST(std::string("shoes").size() == 5U); }

BOOST_AUTO_TEST_SUITE_END()

BOOST_AUTO_TEST_CASE(export_C19, *utf::disabled()) { BOOST_TEST(false); }

BOOST_AUTO_TEST_CASE(coupon_C20, *utf::expected_failures(1)) {
  BOOST_TEST(std::string("coupon") == "applied");
}

BOOST_AUTO_TEST_CASE(helper) { BOOST_TEST(true); }

BOOST_AUTO_TEST_CASE(umlaut_C21, *utf::description("Anmeldung für Jürgen")) {
  BOOST_TEST(std::string("Jürgen").size() == 7U);
}

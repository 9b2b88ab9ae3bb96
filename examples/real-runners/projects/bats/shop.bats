#!/usr/bin/env bats

total() { echo $(($1 * $2)); }

@test "checkout total C6" {
  [ "$(total 2 5)" -eq 10 ]
}

@test "checkout total with coupon C6" {
  [ "$(($(total 2 5) - 3))" -eq 8 ]
}

@test "C7 single sign-on" {
  skip "no identity provider here"
  false
}

@test "helper" {
  [ $((1 + 1)) -eq 2 ]
}

@test "C8 Größe für Jürgen" {
  [ "$(printf 'Jürgen' | wc -m)" -eq 6 ]
}

use strict;
use warnings;
use utf8;
# The plan counts one test more than the file runs, as when a test is lost.
use Test::More tests => 8;

binmode Test::More->builder->output, ':encoding(UTF-8)';
binmode Test::More->builder->failure_output, ':encoding(UTF-8)';
binmode Test::More->builder->todo_output, ':encoding(UTF-8)';

sub total { my ($items, $price) = @_; return $items * $price; }

is(total(2, 5), 10, 'checkout total C1');
is(total(2, 5) - 3, 8, 'checkout total with coupon C1');

SKIP: {
  skip 'no identity provider here', 1;
  ok(0, 'C2 single sign-on');
}

TODO: {
  local $TODO = 'rounding is not decided yet';
  is(total(3, 3), 10, 'C3 discount rounding');
}

subtest 'C4 refund' => sub {
  plan tests => 2;
  is(total(1, 4), 4, 'whole order');
  is(total(0, 4), 0, 'one item');
};

ok(1 + 1 == 2, 'helper');
is(length('Jürgen'), 6, 'C5 Größe für Jürgen');

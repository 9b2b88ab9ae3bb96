from behave import given, when, then


@given("a signed-in shopper")
def signed_in(context):
    context.paid = False


@when("the shopper pays {amount:d} by {method}")
def pay(context, amount, method):
    context.paid = method != "invoice"


@then("the order is paid")
def order_paid(context):
    assert context.paid, "the order is still open"


@then("the catalogue lists {count:d} items")
def catalogue(context, count):
    assert count == 3

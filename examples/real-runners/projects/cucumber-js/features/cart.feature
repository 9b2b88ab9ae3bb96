@C20
Feature: Cart

  Background:
    Given an empty cart

  Scenario: add one item
    When 1 item is added
    Then the cart holds 1 item

  Scenario: add two items
    When 2 items are added
    Then the cart holds 3 items

  Scenario Outline: add <count> items
    When <count> items are added
    Then the cart holds <count> items

    Examples:
      | count |
      | 4     |
      | 5     |

  @C21
  Scenario: remove an item
    When 1 item is removed
    Then the cart holds 0 items

  Scenario: show the total
    Then the total is shown

  @C22
  Scenario: Prüfung für Jürgen
    When 1 item is added
    Then the cart holds 1 item

Feature: Search

  Scenario: search without an id
    Given an empty cart
    Then the cart holds 0 items

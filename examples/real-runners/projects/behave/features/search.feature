Feature: Search

  Scenario: search without an id
    Then the catalogue lists 3 items

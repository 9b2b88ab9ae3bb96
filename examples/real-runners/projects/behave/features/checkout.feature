@C6
Feature: Checkout

  Background:
    Given a signed-in shopper

  Scenario: pay by card
    When the shopper pays 10 by card
    Then the order is paid

  Scenario: pay by voucher
    When the shopper pays 10 by voucher
    Then the order is paid

  Scenario: pay by invoice
    When the shopper pays 10 by invoice
    Then the order is paid

  @C7 @skip
  Scenario: pay by cheque
    When the shopper pays 10 by cheque

  Scenario: browse the catalogue
    Then the catalogue lists 3 items

  @C8
  Scenario: Zahlung für Jürgen (C8)
    When the shopper pays 5 by card
    Then the order is paid

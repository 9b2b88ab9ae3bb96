const { Given, When, Then } = require('@cucumber/cucumber');
const assert = require('assert');

Given('an empty cart', function () { this.items = 0; });
When(/^(\d+) items? (?:is|are) added$/, function (n) { this.items += Number(n); });
Then(/^the cart holds (\d+) items?$/, function (n) { assert.strictEqual(this.items, Number(n)); });
When('1 item is removed', function () { return 'pending'; });

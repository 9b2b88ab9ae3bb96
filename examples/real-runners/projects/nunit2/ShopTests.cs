using System;
using NUnit.Framework;

namespace Shop.Tests
{
    [TestFixture]
    public class ShopTests
    {
        [Test]
        [Category("C9")]
        public void Login() { }

        [TestCase("shoes")]
        [TestCase("hats")]
        [TestCase("socks")]
        [Property("test_id", "C10")]
        public void Search(string term)
        {
            Assert.AreNotEqual("hats", term, "no results for " + term);
        }

        [Test]
        [Ignore("export service not deployed")]
        public void Export_C11() { }

        [Test]
        public void Checkout_C12()
        {
            throw new InvalidOperationException("payment gateway unreachable");
        }

        [Test]
        public void Helper() { }

        [Test]
        public void Prüfung_C13() { }
    }
}

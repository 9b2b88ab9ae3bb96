import org.testng.Assert;
import org.testng.SkipException;
import org.testng.annotations.DataProvider;
import org.testng.annotations.Test;

public class ShopTest {
  @Test(description = "C1 sign in with a valid password")
  public void login() {}

  @DataProvider
  public Object[][] terms() {
    return new Object[][] {{"shoes"}, {"hats"}, {"socks"}};
  }

  @Test(dataProvider = "terms", description = "C2 search the catalogue")
  public void search(String term) {
    Assert.assertNotEquals(term, "hats", "no results for " + term);
  }

  @Test(groups = "C3")
  public void export() {
    throw new SkipException("export service not deployed");
  }

  @Test
  public void helper() {}

  @Test(description = "C4 Prüfung für Jürgen")
  public void prüfung() {}
}

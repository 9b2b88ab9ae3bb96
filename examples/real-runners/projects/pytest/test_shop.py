import pytest


def test_login_C1():
    assert "alice".islower()


@pytest.mark.parametrize("term", ["shoes", "hats", "socks"])
def test_search_C2(term):
    assert term != "hats", f"no results for {term}"


@pytest.fixture
def session():
    yield "open"
    raise RuntimeError("session could not be closed")


def test_logout_C3(session):
    assert session == "closed", "still signed in"


@pytest.mark.skip(reason="export service not deployed")
def test_export_C4():
    pass


def test_helper():
    assert True


def test_café_C5():
    assert "café".upper() == "CAFÉ"

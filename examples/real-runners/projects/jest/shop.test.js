describe('sign-in', () => {
  test('C14 login as alice', () => {
    expect('alice').toMatch(/^a/);
  });

  test.each(['alice', 'bob', 'carol'])('C15 login as %s', (user) => {
    expect(user).not.toBe('bob');
  });

  test.skip('C16 single sign-on', () => {});

  test.todo('C17 password reset');

  test('helper', () => {
    expect(1 + 1).toBe(2);
  });

  test('C18 Anmeldung für Jürgen', () => {
    expect('Jürgen').toHaveLength(6);
  });
});

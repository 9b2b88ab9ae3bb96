#ifndef QUORAX_TESTS_TESTING_CLOSED_PORT_H_
#define QUORAX_TESTS_TESTING_CLOSED_PORT_H_

namespace quorax::testkit {

// A connection string on which nothing listens: port 1 of the loopback
// interface refuses the connection at once.
inline constexpr char kClosedPortDsn[] = "host=127.0.0.1 port=1 dbname=quorax connect_timeout=5";

}  // namespace quorax::testkit

#endif  // QUORAX_TESTS_TESTING_CLOSED_PORT_H_

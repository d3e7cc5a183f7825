#include "support/TlsTestServer.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include "support/LoopbackSockets.h"
#include "support/OpenSslTestHandles.h"

namespace bildheber::test {
namespace {

using namespace std::chrono_literals;

X509Ptr readCertificate(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

PkeyPtr readKey(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return PkeyPtr(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

struct ClientOptions {
    std::string trustedCaPem;
    int minVersion = TLS1_2_VERSION;
    int maxVersion = 0;  // the highest the library knows
    std::optional<int> securityLevel = std::nullopt;
};

// A bare OpenSSL client that verifies the server as "localhost".
class Client {
  public:
    Client(std::uint16_t port, const ClientOptions& options) {
        ctx_.reset(SSL_CTX_new(TLS_client_method()));
        if (!ctx_) {
            throw std::runtime_error("SSL_CTX_new");
        }
        SSL_CTX_set_min_proto_version(ctx_.get(), options.minVersion);
        SSL_CTX_set_max_proto_version(ctx_.get(), options.maxVersion);
        if (options.securityLevel) {
            SSL_CTX_set_security_level(ctx_.get(), *options.securityLevel);
        }
        X509Ptr ca = readCertificate(options.trustedCaPem);
        X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx_.get()), ca.get());
        SSL_CTX_set_verify(ctx_.get(), SSL_VERIFY_PEER, nullptr);

        socket_ = connectToLoopback(port, 10s);  // a broken server fails, not hangs, the test
        ssl_.reset(SSL_new(ctx_.get()));
        SSL_set_fd(ssl_.get(), socket_.get());
        SSL_set1_host(ssl_.get(), "localhost");
        handshakeOk_ = SSL_connect(ssl_.get()) == 1;
        ERR_clear_error();
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool handshakeOk() const { return handshakeOk_; }
    long verifyResult() const { return SSL_get_verify_result(ssl_.get()); }
    std::string protocol() const { return SSL_get_version(ssl_.get()); }

    void send(const std::string& bytes) {
        ASSERT_EQ(SSL_write(ssl_.get(), bytes.data(), static_cast<int>(bytes.size())),
                  static_cast<int>(bytes.size()));
    }

    struct Received {
        std::string bytes;
        bool closeNotify = false;  // ended with a TLS close_notify, not just the TCP connection
    };

    Received readToEnd() {
        Received received;
        char buffer[4096];
        int n;
        while ((n = SSL_read(ssl_.get(), buffer, sizeof buffer)) > 0) {
            received.bytes.append(buffer, static_cast<std::size_t>(n));
        }
        received.closeNotify = SSL_get_error(ssl_.get(), n) == SSL_ERROR_ZERO_RETURN;
        ERR_clear_error();
        return received;
    }

  private:
    LoopbackSocket socket_;  // closed after the SSL object that reads and writes it
    SslCtxPtr ctx_;
    SslPtr ssl_;
    bool handshakeOk_ = false;
};

// The server counts a failed handshake only after the client has already seen it fail.
int failedHandshakesSettled(const TlsTestServer& server, int expected) {
    for (int i = 0; i < 1000 && server.failedHandshakes() < expected; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return server.failedHandshakes();
}

std::string bytesFrom(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

TEST(TestCaTest, IssuedCertificateVerifiesAsServerForItsNamesOnly) {
    const TestCa ca;
    const IssuedCertificate issued = ca.issueServerCertificate({"localhost", "bilder.example"});
    X509Ptr caCert = readCertificate(ca.certificatePem());
    X509Ptr cert = readCertificate(issued.certificatePem);
    PkeyPtr key = readKey(issued.privateKeyPem);
    ASSERT_TRUE(caCert && cert && key);
    EXPECT_EQ(X509_check_private_key(cert.get(), key.get()), 1);

    const struct {
        const char* name;
        bool isIp;
        bool valid;
    } cases[] = {
        {"localhost", false, true},      {"bilder.example", false, true}, {"127.0.0.1", true, true},
        {"other.example", false, false}, {"127.0.0.2", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        X509StorePtr store(X509_STORE_new());
        X509_STORE_add_cert(store.get(), caCert.get());
        X509StoreCtxPtr ctx(X509_STORE_CTX_new());
        ASSERT_EQ(X509_STORE_CTX_init(ctx.get(), store.get(), cert.get(), nullptr), 1);
        X509_STORE_CTX_set_purpose(ctx.get(), X509_PURPOSE_SSL_SERVER);
        X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
        if (c.isIp) {
            X509_VERIFY_PARAM_set1_ip_asc(param, c.name);
        } else {
            X509_VERIFY_PARAM_set1_host(param, c.name, 0);
        }
        EXPECT_EQ(X509_verify_cert(ctx.get()) == 1, c.valid)
            << X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx.get()));
        ERR_clear_error();
    }
}

TEST(TlsTestServerTest, RecordsEachRequestExactlyAndCarriesOutTheScript) {
    std::string body = bytesFrom({0, '\r', '\n', '\r', '\n', 0, 0xff});
    for (int i = 0; i < 40000; ++i) {
        body += static_cast<char>(i % 256);  // more than one TLS record, NUL bytes included
    }
    const std::string postHeaders = "POST /upload HTTP/1.1\r\nHost: localhost\r\ncontent-LENGTH: " +
                                    std::to_string(body.size()) + "\r\n\r\n";

    const struct {
        const char* name;
        std::vector<std::string> requestPieces;  // written one after the other
        std::vector<ServerStep> script;
        std::string expectedReply;
        bool expectedCloseNotify;
    } cases[] = {
        {"request without body, reply in one piece",
         {"GET /a HTTP/1.1\r\nHost: localhost\r\n\r\n"},
         {ServerStep::send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")},
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
         true},
        {"binary body sent apart from the headers, reply in pieces",
         {postHeaders, body.substr(0, 100), body.substr(100)},
         {ServerStep::send("HTTP/1.1 201 "), ServerStep::pauseFor(20ms),
          ServerStep::send("Created\r\n\r\n")},
         "HTTP/1.1 201 Created\r\n\r\n",
         true},
        {"connection closed in the middle of the reply",
         {"GET /b HTTP/1.1\r\n\r\n"},
         {ServerStep::send("HTTP/1.1 2"), ServerStep::closeAbruptly(), ServerStep::send("00")},
         "HTTP/1.1 2",
         false},
        {"reply dripped byte by byte",
         {"GET /c HTTP/1.1\r\n\r\n"},
         {ServerStep::drip("HTTP/1.1 204 No Content\r\n\r\n", 1ms)},
         "HTTP/1.1 204 No Content\r\n\r\n",
         true},
    };

    const TestCa ca;
    TlsTestServer server({ca.issueServerCertificate()});
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        server.setScript(c.script);
        Client client(server.port(), {ca.certificatePem()});
        ASSERT_TRUE(client.handshakeOk());
        std::string request;
        for (const std::string& piece : c.requestPieces) {
            client.send(piece);
            request += piece;
        }
        const Client::Received reply = client.readToEnd();
        EXPECT_EQ(reply.bytes, c.expectedReply);
        EXPECT_EQ(reply.closeNotify, c.expectedCloseNotify);

        const std::vector<std::string> requests = server.requests(i + 1);
        ASSERT_EQ(requests.size(), i + 1);
        EXPECT_TRUE(requests[i] == request) << "request recorded differently";
    }
    EXPECT_EQ(server.failedHandshakes(), 0);
}

TEST(TlsTestServerTest, NegotiatesTheProtocolsItAllows) {
    const struct {
        const char* name;
        bool tls10Only;
        int clientMin;
        int clientMax;
        std::optional<int> clientSecurityLevel;
        std::string expectedProtocol;  // empty: the handshake fails
    } cases[] = {
        {"current client", false, TLS1_2_VERSION, 0, std::nullopt, "TLSv1.3"},
        {"client that only speaks TLS 1.0", false, TLS1_VERSION, TLS1_VERSION, 0, "TLSv1"},
        {"old server, client allowing TLS 1.0", true, TLS1_VERSION, 0, 0, "TLSv1"},
        {"old server, client requiring TLS 1.2", true, TLS1_2_VERSION, 0, std::nullopt, ""},
    };
    const TestCa ca;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TlsTestServer server({ca.issueServerCertificate(), c.tls10Only});
        server.setReply("HTTP/1.1 204 No Content\r\n\r\n");
        Client client(server.port(),
                      {ca.certificatePem(), c.clientMin, c.clientMax, c.clientSecurityLevel});
        if (c.expectedProtocol.empty()) {
            EXPECT_FALSE(client.handshakeOk());
            EXPECT_EQ(failedHandshakesSettled(server, 1), 1);
            continue;
        }
        ASSERT_TRUE(client.handshakeOk());
        EXPECT_EQ(client.protocol(), c.expectedProtocol);
        client.send("GET / HTTP/1.1\r\n\r\n");
        EXPECT_EQ(client.readToEnd().bytes, "HTTP/1.1 204 No Content\r\n\r\n");
        ASSERT_EQ(server.requests(1).size(), 1u);
        EXPECT_EQ(server.lastProtocol(), c.expectedProtocol);
    }
}

TEST(TlsTestServerTest, ClientTrustingAnotherCaRejectsTheServer) {
    const TestCa ca;
    const TestCa otherCa("Some Other CA");
    TlsTestServer server({ca.issueServerCertificate()});

    Client rejecting(server.port(), {otherCa.certificatePem()});
    EXPECT_FALSE(rejecting.handshakeOk());
    EXPECT_EQ(rejecting.verifyResult(), X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY);
    EXPECT_EQ(failedHandshakesSettled(server, 1), 1);

    // The server goes on serving.
    Client trusting(server.port(), {ca.certificatePem()});
    ASSERT_TRUE(trusting.handshakeOk());
    trusting.send("GET / HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(trusting.readToEnd().closeNotify);
    EXPECT_EQ(server.requests(1), std::vector<std::string>{"GET / HTTP/1.1\r\n\r\n"});
    EXPECT_EQ(server.failedHandshakes(), 1);
}

TEST(TlsTestServerTest, ReadsTheRequestSlowlyWhenAskedAndRecordsItExactly) {
    const TestCa ca;
    constexpr auto kPause = 2ms;
    TlsTestServer server({ca.issueServerCertificate(), false, kPause});
    server.setReply("HTTP/1.1 204 No Content\r\n\r\n");
    Client client(server.port(), {ca.certificatePem()});
    ASSERT_TRUE(client.handshakeOk());
    const std::string request = "POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello";
    const auto start = std::chrono::steady_clock::now();
    client.send(request);
    EXPECT_EQ(client.readToEnd().bytes, "HTTP/1.1 204 No Content\r\n\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, kPause * static_cast<int>(request.size()))
        << "a pause before each byte";
    EXPECT_EQ(server.requests(1), std::vector<std::string>{request});
}

// Destroying the server ends its connection at once, whatever it was waiting for; a regression
// shows up as a test that hangs or takes the receive time-out (10 s).
TEST(TlsTestServerTest, StopsWhileAConnectionIsOpen) {
    const struct {
        const char* name;
        std::string request;
        std::vector<ServerStep> script;
        bool requestComplete;
    } cases[] = {
        {"client stalls in the middle of its request",
         "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc",
         {},
         false},
        {"script pauses for an hour",
         "GET / HTTP/1.1\r\n\r\n",
         {ServerStep::pauseFor(1h), ServerStep::send("late")},
         true},
    };
    const TestCa ca;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto server =
            std::make_unique<TlsTestServer>(TlsTestServerOptions{ca.issueServerCertificate()});
        server->setScript(c.script);
        Client client(server->port(), {ca.certificatePem()});
        ASSERT_TRUE(client.handshakeOk());
        client.send(c.request);
        if (c.requestComplete) {
            ASSERT_EQ(server->requests(1).size(), 1u);
        }
        server.reset();
        const Client::Received rest = client.readToEnd();
        EXPECT_EQ(rest.bytes, "");
    }
}

}  // namespace
}  // namespace bildheber::test

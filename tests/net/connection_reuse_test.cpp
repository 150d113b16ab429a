// Connection reuse: a whole book's worth of pages, requests of mixed kinds, and requests from several
// threads all travel over one kept-alive connection, one request at a time. Each client keeps its own
// routes and connections, whatever other clients do beside it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "demo/loopback/loopback_site.h"
#include "net/fetch.h"
#include "pages/requests.h"
#include "tests/support/raw_tls_server.h"

namespace {

using novawick::loopback::LoopbackSite;
using novawick::testing::RawTlsServer;
using novawick::testing::ScriptedResponse;
using novawick::loopback::SiteRequest;
using novawick::loopback::SiteResponse;

TEST(ConnectionReuseTest, TwoHundredPagesOverOneConnection) {
    LoopbackSite site;
    site.get("/chapter", [](const SiteRequest& request, SiteResponse& response) {
        response.body = "<p>" + request.target + "</p>";
    });

    for (int page = 0; page < 200; ++page) {
        const std::string url = site.url("/chapter?page=" + std::to_string(page));
        const auto answer = novawick::pages::pageFetch(site.client(), url);
        ASSERT_EQ(answer.status, 200);
        ASSERT_EQ(answer.body, "<p>/chapter?page=" + std::to_string(page) + "</p>");
    }
    EXPECT_EQ(site.requestsServed(), 200u);
    EXPECT_EQ(site.connectionsAccepted(), 1u);
}

TEST(ConnectionReuseTest, PostsGetsAndRedirectsShareTheConnection) {
    RawTlsServer server;
    server.route("/search/", ScriptedResponse::text(200, "hits"));
    server.route("/moved", ScriptedResponse::redirect(302, "/page"));
    server.route("/page", ScriptedResponse::text(200, "page"));

    novawick::net::HttpClient& client = server.client();
    novawick::pages::searchPost(client, server.url("/search/"), "q=1",
                                {{"Content-Type", "application/x-www-form-urlencoded"}});
    novawick::pages::pageFetch(client, server.url("/moved"));
    novawick::net::plainFetch(client, server.url("/page"));
    novawick::pages::searchPost(client, server.url("/search/"), "q=2", {});

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    for (const auto& request : requests) EXPECT_EQ(request.connection, 1u) << request.target;
}

TEST(ConnectionReuseTest, RequestsFromSeveralThreadsRunOneAtATime) {
    LoopbackSite site;
    std::atomic<int> inFlight{0};
    std::atomic<int> mostInFlight{0};
    site.get("/page", [&](const SiteRequest&, SiteResponse& response) {
        const int now = ++inFlight;
        int seen = mostInFlight.load();
        while (now > seen && !mostInFlight.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --inFlight;
        response.body = "ok";
    });

    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int request = 0; request < 10; ++request) {
                if (novawick::net::plainFetch(site.client(), site.url("/page")).body == "ok") ++successes;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(successes.load(), 40);
    EXPECT_EQ(mostInFlight.load(), 1);
    EXPECT_EQ(site.connectionsAccepted(), 1u);
}

TEST(ConnectionReuseTest, ClientsKeepTheirOwnRoutesAndConnections) {
    // Two sites under one host name: which one answers depends only on the client asked.
    LoopbackSite first;
    LoopbackSite second;
    first.serve("/page", "first");
    second.serve("/page", "second");
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(novawick::net::plainFetch(first.client(), first.url("/page")).body, "first");
        ASSERT_EQ(novawick::net::plainFetch(second.client(), second.url("/page")).body, "second");
    }
    EXPECT_EQ(first.connectionsAccepted(), 1u);
    EXPECT_EQ(second.connectionsAccepted(), 1u);
}

}  // namespace

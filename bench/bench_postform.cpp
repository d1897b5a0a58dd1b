// Times the transport's PostForm against the provider stand-in next to a bare libcurl POST of
// the same request to the same server, and prints the medians and their ratio.
//
//   bench_postform [ITERATIONS]   (default 200)
#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "res/resources.h"
#include "support/protocol_seam.h"
#include "support/provider_fixture.h"
#include "support/test_support.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::MicrosecondsSince;

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The same request as PostForm sends, on a fresh handle each time (PostForm keeps nothing open
// between requests either).
bool CurlPost(const std::string& url, const std::string& body, std::string& reply) {
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  curl_slist* headers =
      curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
  std::string agent = res::String(14009);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return result == CURLE_OK && status == 200;
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  test::TempDir dir;
  test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
  test::ScopedEnv noProxy("http_proxy", std::nullopt);
  test::ProviderFixture provider;
  if (!provider.ok()) {
    std::fprintf(stderr, "provider stand-in did not start: %s\n", provider.error().c_str());
    return 1;
  }
  provider.AddAccount("bench", "secret");
  curl_global_init(CURL_GLOBAL_DEFAULT);

  test::ProtocolSeam app;
  app.profileServerUrl = provider.HttpUrl();
  app.LoginID = "bench";
  app.LoginPasswd = "secret";
  const std::string path = res::String(14016);
  const std::string body = app.BuildRecoveryForm();
  const std::string url = provider.HttpUrl().substr(0, provider.HttpUrl().size() - 1) + path;

  // One of each first, so that neither side pays for a cold start.
  std::string reply;
  if (!app.PostForm(app.profileServerUrl, path, body, reply) || !CurlPost(url, body, reply)) {
    std::fprintf(stderr, "warm-up request failed (transport error %d)\n", app.LastTransportError());
    return 1;
  }

  std::vector<double> transport, bare;
  int failures = 0;
  for (int i = 0; i < iterations; ++i) {
    // Alternating keeps slow drifts of the machine from favouring one side.
    std::string a, b;
    Clock::time_point start = Clock::now();
    failures += !app.PostForm(app.profileServerUrl, path, body, a);
    transport.push_back(MicrosecondsSince(start));
    start = Clock::now();
    failures += !CurlPost(url, body, b);
    bare.push_back(MicrosecondsSince(start));
  }
  curl_global_cleanup();

  const double medianTransport = Median(transport);
  const double medianBare = Median(bare);
  std::printf("PostForm against the provider stand-in, %d iterations each\n", iterations);
  std::printf("  PostForm (WinInet layer)  median %9.1f us\n", medianTransport);
  std::printf("  bare libcurl POST         median %9.1f us\n", medianBare);
  std::printf("  ratio of medians          %9.2f\n", medianTransport / medianBare);
  if (failures) std::printf("  failed requests           %d\n", failures);
  return failures ? 1 : 0;
}

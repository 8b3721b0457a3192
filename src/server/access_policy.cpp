#include "server/access_policy.h"

#include <cstdlib>
#include <vector>

#include "base/text.h"

namespace quorbel {

bool gListensBeyondLoopback = false;

namespace {

std::vector<std::string> listFromEnvironment(const char* name) {
  std::vector<std::string> items;
  const char* value = std::getenv(name);
  if (value == nullptr) return items;
  std::string_view rest = value;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string item = lowerCopy(trim(rest.substr(0, comma)));
    if (!item.empty()) items.push_back(item);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return items;
}

bool listed(const std::vector<std::string>& items, std::string_view value) {
  const std::string wanted = lowerCopy(trim(value));
  for (const std::string& item : items)
    if (item == wanted) return true;
  return false;
}

std::string header(const Request& request, const char* name) {
  const auto found = request.headers.find(name);
  return found == request.headers.end() ? std::string() : found->second;
}

// The host name without its port: "[::1]:8080" -> "[::1]", "localhost:80" -> "localhost".
std::string_view withoutPort(std::string_view host) {
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    return close == std::string_view::npos ? host : host.substr(0, close + 1);
  }
  return host.substr(0, host.find(':'));
}

bool isDecimal(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// An IPv4 literal in 127.0.0.0/8, written as four decimal parts of 0-255 without leading
// zeros: a name that merely starts with "127." ("127.0.0.1.nip.io", "127.evil.example") is
// looked up in DNS, and its owner decides where it points, which is how rebinding works.
bool isLoopbackAddress(std::string_view name) {
  int parts = 0;
  while (true) {
    const size_t dot = name.find('.');
    const std::string_view part = name.substr(0, dot);
    if (!isDecimal(part) || part.size() > 3 || (part.size() > 1 && part.front() == '0'))
      return false;
    if (std::stoi(std::string(part)) > 255 || (parts == 0 && part != "127")) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    name.remove_prefix(dot + 1);
  }
  return parts == 4;
}

bool originAllowed(std::string_view origin) {
  return listed(listFromEnvironment("QUORBEL_CORS_ORIGINS"), origin);
}

// "http://127.0.0.1:8080" names the same place as Host "127.0.0.1:8080".
bool sameOrigin(std::string_view origin, std::string_view host) {
  const size_t scheme = origin.find("://");
  return scheme != std::string_view::npos && !host.empty() &&
         lowerCopy(std::string(origin.substr(scheme + 3))) == lowerCopy(std::string(host));
}

bool secretConfigured() {
  const char* secret = std::getenv("QUORBEL_RUNNER_SHARED_SECRET");
  return secret != nullptr && secret[0] != '\0';
}

}  // namespace

bool isLoopbackHost(std::string_view host) {
  const std::string trimmed = trim(host);
  const std::string_view name = withoutPort(trimmed);
  const std::string_view port = std::string_view(trimmed).substr(name.size());
  if (!port.empty() && !(port.front() == ':' && isDecimal(port.substr(1)))) return false;
  const std::string lowered = lowerCopy(std::string(name));
  return lowered == "localhost" || lowered == "[::1]" || isLoopbackAddress(lowered);
}

bool isCrossSiteRequest(const Request& request) {
  const std::string fetchSite = lowerCopy(header(request, "sec-fetch-site"));
  if (!fetchSite.empty() && fetchSite != "same-origin" && fetchSite != "none") return true;
  const std::string origin = header(request, "origin");
  return !origin.empty() && !sameOrigin(origin, header(request, "host")) && !originAllowed(origin);
}

std::string corsHeaders(const Request& request) {
  const std::string origin = header(request, "origin");
  if (origin.empty() || !originAllowed(origin)) return "";
  return "Access-Control-Allow-Origin: " + origin +
         "\r\n"
         "Vary: Origin\r\n"
         "Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
         "Access-Control-Allow-Headers: Content-Type, X-Quorbel-Runner-Secret\r\n"
         "Access-Control-Max-Age: 86400\r\n";
}

std::optional<std::string> runAccessRefusal(const Request& request) {
  const std::string origin = header(request, "origin");
  const std::string host = header(request, "host");
  if (!origin.empty() && !sameOrigin(origin, host) && !originAllowed(origin))
    return "Runs from another site are refused; list its origin in QUORBEL_CORS_ORIGINS.";
  if (!host.empty() && !isLoopbackHost(host) &&
      !listed(listFromEnvironment("QUORBEL_RUN_HOSTS"), withoutPort(trim(host))))
    return "Runs are refused for this Host name; list it in QUORBEL_RUN_HOSTS.";
  if (gListensBeyondLoopback && !secretConfigured())
    return "This server listens beyond loopback: runs need QUORBEL_RUNNER_SHARED_SECRET.";
  return std::nullopt;
}

}  // namespace quorbel

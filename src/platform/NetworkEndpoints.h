#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// Every network address the program contacts, in one place. The bases can be
// replaced through the environment so that tests and local runs talk to a
// service on loopback:
//   PEXILO_API_BASE           replaces serviceBase (chat completions, model list)
//   PEXILO_API_FALLBACK_BASE  replaces fallbackBase (the fixed-address attempt)
//   PEXILO_PROBE_URLS         replaces the three resolver probes (comma-separated)
namespace NetworkEndpoints {

// The AI service and its host name, which the fixed-address attempt still
// names in its "Host" header and checks the certificate against.
inline constexpr char serviceHost[] = "api.openai.com";
inline constexpr char serviceBase[] = "https://api.openai.com";
// A fixed IPv4 address of the service, for when its name cannot be resolved.
inline constexpr char fallbackBase[] = "https://162.159.140.245";

inline constexpr char chatCompletionsPath[] = "/v1/chat/completions";
inline constexpr char modelsPath[] = "/v1/models";

// Public DNS resolvers, probed for plain reachability before each request.
inline constexpr char probeUrl1[] = "https://1.1.1.1";
inline constexpr char probeUrl2[] = "https://8.8.8.8";
inline constexpr char probeUrl3[] = "https://9.9.9.9";

// The resolver addresses suggested to the user when name resolution fails.
inline constexpr char dnsAdviceAddressA[] = "8.8.8.8";
inline constexpr char dnsAdviceAddressB[] = "8.8.4.4";

inline constexpr char supportMail[] = "support@pexilo.example.com";
inline constexpr char feedbackMail[] = "feedback@pexilo.example.com";
inline constexpr char privacyPage[] = "https://pexilo.example.com/privacy";

// A "mailto:" link to the address with the subject, encoded so that a mail
// client reads it back as given (spaces and all).
QUrl mailLink(const char *address, const QString &subject);
// The link to write to support, with the subject "Pexilo Support".
QUrl supportMailUrl();
QUrl privacyPageUrl();

// The effective addresses, environment overrides applied.
QUrl apiBase();
QUrl apiFallbackBase();
QUrl chatCompletionsUrl();
QUrl chatCompletionsFallbackUrl();
QUrl modelsUrl();
QList<QUrl> probeUrls();

// Every address above that the program may contact, for checks that all of
// them point where they should.
QList<QUrl> allContactedUrls();

} // namespace NetworkEndpoints

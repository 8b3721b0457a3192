// The HTML result page, built from the template "public/complexity.html" by replacing its
// placeholders, and the static pages read whole from public/. Pure string builders.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"

namespace quorbel {

// & < > " ' as &amp; &lt; &gt; &quot; &#39;; every other byte unchanged.
std::string htmlEscape(std::string_view text);
// Replaces every occurrence of `pattern`, resuming after each inserted replacement, so a
// replacement is never rescanned. An empty pattern changes nothing.
void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement);
// "<li>item</li>" per item, escaped; empty for no items.
std::string renderList(const std::vector<std::string>& items);

// Replaces each "{{NAME}}" of `page` whose NAME is a key of `values` by its value, in one
// pass: inserted values are never scanned, unknown names stay as written.
std::string fillTemplate(std::string_view page, const std::map<std::string, std::string>& values);

// The result page: the template with {{CODE}}, {{LINE_COUNT}}, {{COMPLEXITY}}, {{LABEL}},
// {{SPACE_COMPLEXITY}}, {{SPACE_LABEL}}, {{SPACE_PATTERN}}, {{SPACE_SIGNALS}}, {{PATTERN}},
// {{CONSTRAINT_BUDGET}}, {{CONSTRAINTS}}, {{SIGNALS}}, {{BREAKDOWN}}, {{NOTES}}, {{VERDICT}}
// filled in by fillTemplate. Empty when the template is missing.
std::string renderPage(std::string_view code, const Analysis& analysis);
// The same page for analyze(code).
std::string renderPage(std::string_view code);

// "public/ide.html", "public/storage.html", "public/cli.html" read whole; empty when missing.
std::string renderIde();
std::string renderStorage();
std::string renderCli();

}  // namespace quorbel

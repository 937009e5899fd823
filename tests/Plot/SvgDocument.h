// A strict reader of the pictures' XML for the tests: it refuses what a browser would (an
// unclosed or mismatched element, an unquoted attribute, an unknown entity, text outside the
// root) and hands out every element with its attributes and its depth.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

struct TSvgElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    // The index of the enclosing element, none for the root.
    std::optional<std::size_t> parent;

    std::string Get(const std::string& key) const {
        const auto found = attributes.find(key);
        return found == attributes.end() ? std::string() : found->second;
    }
    bool Is(const std::string& element, const std::string& cssClass) const {
        return name == element && Get("class") == cssClass;
    }
};

class TSvgDocument {
  public:
    // Fails the test (and holds no elements) when the text is not well-formed.
    explicit TSvgDocument(const std::string& text) : source(text) {
        if (!Parse()) {
            ADD_FAILURE() << "not well-formed XML near byte " << at << ": "
                          << source.substr(at, 60);
            elements.clear();
        }
    }

    std::vector<TSvgElement> elements;

    std::vector<std::size_t> All(const std::string& name, const std::string& cssClass) const {
        std::vector<std::size_t> found;
        for (std::size_t k = 0; k < elements.size(); ++k) {
            if (elements[k].Is(name, cssClass)) {
                found.push_back(k);
            }
        }
        return found;
    }
    bool Inside(std::size_t element, std::size_t ancestor) const {
        for (std::optional<std::size_t> up = elements[element].parent; up;
             up = elements[*up].parent) {
            if (*up == ancestor) {
                return true;
            }
        }
        return false;
    }

  private:
    std::string source;
    std::size_t at = 0;

    bool Parse() {
        if (source.starts_with("<?xml")) {
            at = source.find("?>");
            if (at == std::string::npos) {
                return false;
            }
            at += 2;
        }
        std::vector<std::size_t> open;
        bool rootClosed = false;
        while (at < source.size()) {
            const std::size_t tag = source.find('<', at);
            const std::string between = source.substr(at, tag - at);
            if (between.find_first_not_of(" \n\t\r") != std::string::npos) {
                if (open.empty() || !Unescape(between, elements[open.back()].text)) {
                    return false;
                }
            }
            if (tag == std::string::npos) {
                at = source.size();
                break;
            }
            at = tag + 1;
            if (source.compare(at, 1, "/") == 0) {
                const std::size_t end = source.find('>', at);
                if (end == std::string::npos || open.empty() ||
                    source.substr(at + 1, end - at - 1) != elements[open.back()].name) {
                    return false;
                }
                open.pop_back();
                rootClosed = open.empty();
                at = end + 1;
                continue;
            }
            if (rootClosed || !ReadElement(open)) {
                return false;
            }
        }
        return rootClosed;
    }

    bool ReadElement(std::vector<std::size_t>& open) {
        TSvgElement element;
        element.parent = open.empty() ? std::nullopt : std::optional<std::size_t>(open.back());
        const std::size_t nameEnd = source.find_first_of(" />\n", at);
        element.name = source.substr(at, nameEnd - at);
        at = nameEnd;
        while (true) {
            at = source.find_first_not_of(" \n", at);
            if (at == std::string::npos) {
                return false;
            }
            if (source.compare(at, 2, "/>") == 0 || source[at] == '>') {
                const bool empty = source[at] == '/';
                at += empty ? 2 : 1;
                elements.push_back(element);
                if (!empty) {
                    open.push_back(elements.size() - 1);
                }
                return !element.name.empty();
            }
            const std::size_t equals = source.find("=\"", at);
            const std::size_t close =
                equals == std::string::npos ? equals : source.find('"', equals + 2);
            if (close == std::string::npos) {
                return false;
            }
            const std::string key = source.substr(at, equals - at);
            std::string value;
            if (key.find_first_of(" <>\"") != std::string::npos ||
                !Unescape(source.substr(equals + 2, close - equals - 2), value) ||
                !element.attributes.emplace(key, value).second) {
                return false;
            }
            at = close + 1;
        }
    }

    static bool Unescape(const std::string& text, std::string& into) {
        const std::map<std::string, char> entities = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (text[k] == '<') {
                return false;
            }
            if (text[k] != '&') {
                into += text[k];
                continue;
            }
            const std::size_t end = text.find(';', k);
            const auto entity = entities.find(text.substr(k, end - k + 1));
            if (end == std::string::npos || entity == entities.end()) {
                return false;
            }
            into += entity->second;
            k = end;
        }
        return true;
    }
};

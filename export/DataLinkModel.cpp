#include "export/DataLinkModel.h"

#include "platform/rtl/Strings.h"

namespace {

// A value that would be misread unquoted goes in braces, a closing brace
// inside doubled.
String QuotedValue(const String& value) {
  const bool plain = value.find_first_of(u";{}=") == String::npos && (value.empty() ||
                     (value.front() != u' ' && value.back() != u' '));
  if (plain) return value;
  String quoted = u"{";
  for (char16_t c : value) {
    quoted += c;
    if (c == u'}') quoted += u'}';
  }
  return quoted + u"}";
}

}  // namespace

TDataLinkModel::TDataLinkModel(const String& initialString) { SetConnectionString(initialString); }

void TDataLinkModel::Refresh() {
  try {
    FDrivers = OdbcDrivers();
  } catch (const Exception&) {
    FDrivers.clear();
  }
  try {
    FDataSources = OdbcDataSources();
  } catch (const Exception&) {
    FDataSources.clear();
  }
}

void TDataLinkModel::SetConnectionString(const String& text) {
  FParts.clear();
  size_t at = 0;
  while (at < text.size()) {
    const size_t equals = text.find(u'=', at);
    const size_t semicolon = text.find(u';', at);
    if (equals == String::npos || (semicolon != String::npos && semicolon < equals)) {
      // A part without a value is kept as a key alone.
      const String key = Trim(text.substr(at, semicolon == String::npos ? String::npos : semicolon - at));
      if (!key.empty()) FParts.emplace_back(key, String());
      if (semicolon == String::npos) break;
      at = semicolon + 1;
      continue;
    }
    const String key = Trim(text.substr(at, equals - at));
    size_t p = equals + 1;
    while (p < text.size() && text[p] == u' ') ++p;
    String value;
    if (p < text.size() && text[p] == u'{') {
      // Up to the closing brace; a doubled one stands for itself.
      for (++p; p < text.size(); ++p) {
        if (text[p] == u'}') {
          if (p + 1 < text.size() && text[p + 1] == u'}') {
            value += u'}';
            ++p;
            continue;
          }
          ++p;
          break;
        }
        value += text[p];
      }
      const size_t end = text.find(u';', p);
      at = end == String::npos ? text.size() : end + 1;
    } else {
      const size_t end = text.find(u';', p);
      value = Trim(text.substr(p, end == String::npos ? String::npos : end - p));
      at = end == String::npos ? text.size() : end + 1;
    }
    if (!key.empty()) FParts.emplace_back(key, value);
  }
}

String TDataLinkModel::ConnectionString() const {
  String text;
  for (const auto& [key, value] : FParts) {
    if (!text.empty()) text += u';';
    text += key;
    if (!value.empty()) text += u"=" + QuotedValue(value);
  }
  return text;
}

String TDataLinkModel::Value(StringView key) const {
  for (const auto& [k, v] : FParts)
    if (SameText(k, key)) return v;
  return String();
}

void TDataLinkModel::SetValue(StringView key, const String& value) {
  for (auto it = FParts.begin(); it != FParts.end(); ++it) {
    if (!SameText(it->first, key)) continue;
    if (value.empty()) FParts.erase(it);
    else it->second = value;
    return;
  }
  if (!value.empty()) FParts.emplace_back(String(key), value);
}

void TDataLinkModel::ChooseDriver(const String& name) {
  SetValue(u"DSN", String());
  SetValue(u"DRIVER", name);
}

void TDataLinkModel::ChooseDataSource(const String& name) {
  SetValue(u"DRIVER", String());
  SetValue(u"DSN", name);
}

String TDataLinkModel::TestConnection() const {
  try {
    TOdbcConnection connection;
    connection.Open(ConnectionString());
    connection.Close();
    return String();
  } catch (const Exception& e) {
    return e.Message();
  }
}

#include <string>

#include "app/form1.h"
#include "shell/hlink.h"

#ifndef VOK_DONATION_HOST
#define VOK_DONATION_HOST "payments.example.com"
#endif
#ifndef VOK_DONATION_RECIPIENT
#define VOK_DONATION_RECIPIENT "donations@example.com"
#endif

namespace vok {

namespace {

// The donation page on the payment service's host, with the recipient's address and the
// item to pay for. The at sign of the address is written "%40".
std::string DonationPage() {
  std::string recipient = VOK_DONATION_RECIPIENT;
  if (const auto at = recipient.find('@'); at != std::string::npos) {
    recipient.replace(at, 1, "%40");
  }
  return std::string("https://") + VOK_DONATION_HOST + "/xclick/business=" + recipient +
         "&item_name=Hungry+coder...+gonna+byte+ya%21%21&no_note=1&tax=0&currency_code=USD";
}

// A folder as the desktop's opener takes it: on Windows its path, elsewhere a file URL with
// every byte that is not plainly allowed in a path percent-encoded.
std::string FolderLink(const std::string& folder, ScriptDialect dialect) {
  if (dialect == ScriptDialect::Cmd) return folder;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string link = "file://";
  for (const char c : folder) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("/-._~").find(c) != std::string_view::npos;
    if (plain) {
      link += c;
    } else {
      link += '%';
      link += kHex[byte >> 4];
      link += kHex[byte & 15];
    }
  }
  return link;
}

}  // namespace

void Form1::OpenFolder(const std::string& folder) {
  hlink link(platform_.links);
  link.URL(FolderLink(folder, workspace_.dialect));
  link.Normal(true);
  link.OpenURL();
}

void Form1::TellDone(const std::string& text, const std::string& folder) {
  platform_.messages.ShowNote(text, "Open folder", [this, folder] { OpenFolder(folder); });
}

void Form1::Command1_Click() {
  hlink link(platform_.links);  // a fresh one for every click
  link.URL(DonationPage());
  link.Maximized(true);
  link.OpenURL();
}

}  // namespace vok

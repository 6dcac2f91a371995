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

}  // namespace

void Form1::Command1_Click() {
  hlink link(platform_.links);  // a fresh one for every click
  link.URL(DonationPage());
  link.Maximized(true);
  link.OpenURL();
}

}  // namespace vok

#pragma once

#include <QUrl>

// A new mail in the desktop's mail program, from a mailto: address (the About box's link, a
// page's mail link).
namespace MailLink {

// Hands the address to the desktop's opener and returns at once. When the opener ends
// without a mail program having taken it, "SEND MAIL FAILED" says so and names the address
// to write to by hand.
void open(const QUrl &mailto);

} // namespace MailLink

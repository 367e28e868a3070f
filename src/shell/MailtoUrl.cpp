#include "shell/MailtoUrl.h"

namespace tarnwick::mCommon {

Text EscapeMailText(TextView text) {
  // The order matters: "&" first, so the "%" escapes added later stay as
  // they are, and CR LF before the lone CR and LF.
  Text escaped(text);
  ReplaceAll(escaped, u"&", u"%26");
  ReplaceAll(escaped, u" ", u"%20");
  ReplaceAll(escaped, u"\r\n", u"%0D%0A");
  ReplaceAll(escaped, u"\r", u"%0D");
  ReplaceAll(escaped, u"\n", u"%0A");
  return escaped;
}

Text ComposeMailtoUrl(TextView address, TextView subject, TextView body, TextView cc,
                      TextView bcc, TextView attachment) {
  Text query;
  if (!subject.empty()) query += u"&Subject=" + EscapeMailText(subject);
  if (!body.empty()) query += u"&Body=" + EscapeMailText(body) + u"%0D%0A";
  if (!cc.empty()) query += u"&CC=" + Text(cc);
  if (!bcc.empty()) query += u"&BCC=" + Text(bcc);
  if (!attachment.empty()) query += u"&Attacth=\"" + Text(attachment) + u"\"";
  if (!query.empty()) query[0] = u'?';
  return u"mailto:" + Text(address) + query;
}

Text SupportMailSubject(std::int32_t major, std::int32_t minor) {
  return Text(kProgramTitle) + u" v" + DecimalText(major) + u"." + DecimalText(minor);
}

}  // namespace tarnwick::mCommon

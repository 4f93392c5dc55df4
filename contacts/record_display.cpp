#include "contacts/record_display.h"

namespace zep {

using contacts::CContactDisplay;
using contacts::ContactDisplayKind;

contacts::Record ToDisplay(const ContactRecord& r)
{
    contacts::Record d;
    d.Id = r.id;
    d.Type = r.type;
    d.Name = r.name;
    d.Email = r.email;
    d.Status = r.status;
    d.SubStatus = r.subStatus;
    d.CustomStatus = r.customStatus;
    d.EmailState = r.emailState;
    d.EmailMethod = r.emailMethod;
    d.EmailTime = {r.emailTime.year, r.emailTime.month,  r.emailTime.day,
                   r.emailTime.hour, r.emailTime.minute, r.emailTime.second};
    d.ContactMethod = r.contactMethod;
    d.HomeTel = r.homeTel;
    d.HomeMobile = r.homeMobile;
    d.HomeFax = r.homeFax;
    d.WorkTel = r.workTel;
    d.WorkMobile = r.workMobile;
    d.WorkPager = r.workPager;
    d.WorkFax = r.workFax;
    d.Location = r.location;
    d.EnterSendsMessage = r.accountFlags.enterSendsMessage;
    d.SmsAllowed = r.accountFlags.smsAllowed;
    d.PagerAllowed = r.accountFlags.pagerAllowed;
    d.SmsLimit = r.accountFlags.smsLimit;
    d.PagerLimit = r.accountFlags.pagerLimit;
    d.AccountText = r.accountText;
    d.DateFormat = r.dateFormat;
    return d;
}

ContactRecord FromDisplay(const contacts::Record& d)
{
    ContactRecord r;
    r.id = d.Id;
    r.type = d.Type;
    r.name = d.Name;
    r.email = d.Email;
    r.status = d.Status;
    r.subStatus = d.SubStatus;
    r.customStatus = d.CustomStatus;
    r.emailState = d.EmailState;
    r.emailMethod = d.EmailMethod;
    r.emailTime = {d.EmailTime.year, d.EmailTime.month,  d.EmailTime.day,
                   d.EmailTime.hour, d.EmailTime.minute, d.EmailTime.second};
    r.contactMethod = d.ContactMethod;
    r.homeTel = d.HomeTel;
    r.homeMobile = d.HomeMobile;
    r.homeFax = d.HomeFax;
    r.workTel = d.WorkTel;
    r.workMobile = d.WorkMobile;
    r.workPager = d.WorkPager;
    r.workFax = d.WorkFax;
    r.location = d.Location;
    return r;
}

CContactDisplay RowFor(const ContactRecord& record)
{
    CContactDisplay row;
    row.Contact = ToDisplay(record);
    row.Indent = 1;
    row.Kind = record.status == PresenceStatus::Available ? ContactDisplayKind::OnlineContact
                                                          : ContactDisplayKind::OfflineContact;
    row.Label = contacts::ContactLabel(row.Contact);
    return row;
}

} // namespace zep

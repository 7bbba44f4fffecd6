#pragma once
// Identifiers of the program's resources. Locale libraries carry the same identifiers.
// Plain numbers only: the resource compiler reads this file too.

#define IDI_UPDATES_AVAILABLE 101
#define IDI_NO_UPDATES 102
#define IDD_UPDATE_AVAILABLE 103
#define IDD_NO_UPDATES 104

#define IDC_DAYS_SPIN 1002
#define IDC_RADIO_VISIT 1004
#define IDC_RADIO_REMIND 1005
#define IDC_MESSAGE 1006
#define IDC_DAYS_LABEL 1009
#define IDC_DAYS_COMBO 1016

#define IDS_ERROR 2
#define IDS_UNKNOWN_ERROR 3
#define IDS_BAD_URL 4
#define IDS_CONNECTION_ERROR 5
#define IDS_NO_UPDATES 6
#define IDS_UPDATES_AVAILABLE 7
#define IDS_VISIT_SITE 8
#define IDS_REMIND_ME 9
#define IDS_DAYS 10
#define IDS_OK 11
#define IDS_CANCEL 12

// Texts that only a program built with a manifest key shows: a block of their own, which
// only such a build carries, so that the default program's block above stays as it is.
#define IDS_BAD_SIGNATURE 16
#define IDS_EXPIRED_MANIFEST 17
#define IDS_OLDER_MANIFEST 18

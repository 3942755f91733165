#ifndef QUORVEL_REMOVER_CONTROL_IDS_H
#define QUORVEL_REMOVER_CONTROL_IDS_H

// Identifiers shared by the resource script and the code; plain defines so that the
// resource compiler reads them too.

#define IDD_REMOVER "MSNDIALOG"

#define IDC_SEARCH_LINE 1000  // looking for the hosts file
#define IDC_CHECK_LINE 1001   // attribute error, checking, creating
#define IDC_RESULT_LINE 1002  // already removed, updating, error opening
#define IDC_SUCCESS_LINE 1003
#define IDC_VISIT_LINE 1004  // the product web page address
#define IDC_BANNER 1005      // owner-drawn banner, enabled when the sequence ends

#define IDI_REMOVER 102
#define IDR_BANNER 103  // MB image, resource type "MBM"
#define RT_MBM "MBM"    // the resource script spells the type out: MBM

#define IDT_BANNER 4001  // banner colour cycle timer

#endif

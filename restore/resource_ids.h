#ifndef QUORVEL_RESTORE_RESOURCE_IDS_H
#define QUORVEL_RESTORE_RESOURCE_IDS_H

// Identifiers shared by the resource script and the code; plain defines so that the
// resource compiler reads them too.

#define IDI_VANTREL 100  // the application icon group

#endif

// Resource ids of the framework's test program (plain #defines for windres).
#define IDS_PLAIN       201
#define IDS_KOREAN      202
#define IDS_LONG        203
#define IDS_EMPTY_SLOT  299   // no such string
#define IDD_MISSING     999   // no such dialog template

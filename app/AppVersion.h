// The version as the program shows it, "1.0.1(20260320)": the project version and the release
// date, both given by the build.
#ifndef CORVIX_APP_VERSION_H
#define CORVIX_APP_VERSION_H

#define CORVIX_APP_VERSION CORVIX_PROJECT_VERSION "(" CORVIX_RELEASE_DATE ")"

#endif

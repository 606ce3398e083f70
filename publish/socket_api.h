#pragma once
// The socket address types and functions (sockaddr_in6, inet_pton, htons)
// from the platform's own headers: Winsock on Windows.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

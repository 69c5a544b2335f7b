#pragma once

#include <QString>

namespace pelmar {

// The shop's Ed25519 key pair for the lab's server.

// Where the program keeps it: "labor_ed25519" in the program's configuration
// folder (beside the settings database), the public key beside it with
// ".pub" appended.
QString defaultLabKeyPath();

struct KeyPairResult
{
    bool ok = false;
    // The public key in the one-line OpenSSH form ("ssh-ed25519 AAAA...
    // comment") that the partner sends to the lab.
    QString publicKey;
    QString error; // Hungarian, when not ok
};

// Makes a new key pair: the private key in OpenSSH's format, unencrypted, at
// privateKeyPath (mode 0600, its folder made 0700 when missing), the public
// key at privateKeyPath + ".pub". An existing key is never replaced (the lab
// knows it): the call fails then. Written under temporary names and renamed,
// every write and the final flush checked.
KeyPairResult makeKeyPair(const QString& privateKeyPath, const QString& comment);

// The public key line of an existing private key (read from the key itself,
// not from the .pub file).
KeyPairResult publicKeyOf(const QString& privateKeyPath);

} // namespace pelmar

// Where secrets are kept: the desktop's keyring (a Secret Service on the session bus), or
// nowhere. The dialog keeps concealed accounting codes there, and only there.
#pragma once

#include <memory>
#include <string>

class SecretStore {
  public:
    virtual ~SecretStore() = default;
    // False when the keyring did not take it.
    virtual bool store(const std::string& name, const std::string& secret) = 0;
    // False when there is none under that name.
    virtual bool lookup(const std::string& name, std::string* secret) = 0;
    virtual void forget(const std::string& name) = 0;
};

// The session's Secret Service, through libsecret; null when the session bus has none running
// (nothing is started for it), with the reason in *why.
std::unique_ptr<SecretStore> openKeyring(std::string* why);

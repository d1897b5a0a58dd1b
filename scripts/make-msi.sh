#!/usr/bin/env bash
# Builds the Windows installer with wixl (Debian's msitools) from install/windows/signup.wxs:
# the programs of PROGRAMS (stripped, from make windows-release) for ARCH (x86 or x64) at
# VERSION, made by MANUFACTURER, into OUT.msi. With SIGN_CERT and SIGN_KEY in the environment (PEM files) the programs
# and the MSI are signed with osslsigncode (scripts/sign-windows.sh).
# Usage: scripts/make-msi.sh PROGRAMS ARCH VERSION MANUFACTURER OUT.msi
set -euo pipefail
programs=${1:?usage: make-msi.sh PROGRAMS ARCH VERSION MANUFACTURER OUT.msi}
arch=${2:?} version=${3:?} manufacturer=${4:?} out=${5:?}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
for tool in wixl msibuild; do
  command -v $tool >/dev/null || { echo "make-msi: $tool is missing (Debian packages wixl, msitools)" >&2; exit 1; }
done

# The deployment values: registry value names as the program reads them (res/deployment.cpp),
# each set by the MSI property of its name in capitals.
names=(SignupServer ProfileServer SearchServer AccessNumber SignupDialUser SignupDialPassword
  RecoveryDialUser RecoveryDialPassword MailDomain)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$programs/signup.exe" "$programs/regtool.exe" "$stage/"
if [ -n "${SIGN_CERT:-}" ]; then
  "$here/sign-windows.sh" "$SIGN_CERT" "${SIGN_KEY:?SIGN_KEY must name the key of SIGN_CERT}" \
    "$stage/signup.exe" "$stage/regtool.exe"
fi

win64=no
[ "$arch" = x64 ] && win64=yes
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo '<Include>'
  for name in "${names[@]}"; do
    p=${name^^}
    echo "  <Property Id=\"KEPT_$p\"><RegistrySearch Id=\"Kept$name\" Root=\"HKLM\""
    echo "    Key=\"Software\\Orvel\\Signup\" Name=\"$name\" Type=\"raw\" Win64=\"$win64\"/></Property>"
    echo "  <CustomAction Id=\"Keep$name\" Property=\"$p\" Value=\"[KEPT_$p]\"/>"
  done
  echo '  <InstallExecuteSequence>'
  for name in "${names[@]}"; do
    echo "    <Custom Action=\"Keep$name\" After=\"AppSearch\" Before=\"LaunchConditions\">NOT ${name^^}</Custom>"
  done
  echo '  </InstallExecuteSequence>'
  echo '</Include>'
} >"$stage/deployment.wxi"
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo '<Include>'
  keypath=yes
  for name in "${names[@]}"; do
    echo "  <RegistryValue Name=\"$name\" Type=\"string\" Value=\"[${name^^}]\" KeyPath=\"$keypath\"/>"
    keypath=no
  done
  echo '</Include>'
} >"$stage/deployment-values.wxi"

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
# wixl finds files relative to where it runs.
cp "$source_dir/src/res/art/icon128.ico" "$stage/signup.ico"
# (wixl says "unimplemented" for the non-advertised shortcut, and makes it all the same.)
(cd "$stage" && wixl -a "$arch" -D Version="$version" -D Arch="$arch" \
  -D Manufacturer="$manufacturer" -D SourceDir=. \
  -D IconFile=signup.ico -o "$out" "$source_dir/install/windows/signup.wxs")

# What wixl cannot do itself. Its strings are taken in code page 932 (wixl leaves the database
# without one and fails on any Japanese text), and the Japanese names go in: the product's in
# "Apps & features", the Start-menu shortcut's and the message against a downgrade. The
# properties pass from a user's installer to the elevated one (WiX: Property Secure="yes"), and
# uninstalling removes the key with whatever is in it (WiX: ForceDeleteOnUninstall).
printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$stage/_ForceCodepage.idt"
msibuild "$out" -i "$stage/_ForceCodepage.idt"
secure="WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED"
for name in "${names[@]}"; do secure+=";${name^^}"; done
q() { msibuild "$out" -q "$1"; }
q "UPDATE \`Property\` SET \`Value\` = 'ORVELサインアップ' WHERE \`Property\` = 'ProductName'"
q "UPDATE \`Shortcut\` SET \`Name\` = 'ORVELサインアップ', \`Description\` = 'ORVELネットワークへのサインアップ' WHERE \`Shortcut\` = 'StartMenuShortcut'"
q "UPDATE \`LaunchCondition\` SET \`Description\` = '新しいバージョンのORVELサインアップがインストールされています。' WHERE \`Condition\` = 'NOT WIX_DOWNGRADE_DETECTED'"
q "UPDATE \`Property\` SET \`Value\` = '$secure' WHERE \`Property\` = 'SecureCustomProperties'"
q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('DeploymentKey', 2, 'Software\\Orvel\\Signup', '-', 'Deployment')"

if [ -n "${SIGN_CERT:-}" ]; then
  "$here/sign-windows.sh" "$SIGN_CERT" "$SIGN_KEY" "$out"
fi
echo "$out: $(stat -c %s "$out") bytes"

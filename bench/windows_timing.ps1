<#
.SYNOPSIS
Times quorvex.exe on this machine against the floor, the limit and WMI.

.DESCRIPTION
From one PowerShell, in rounds (one run of each per round, so that a change
of load falls on all of them alike): quorvex.exe, the floor program (the same
DLLs, no work), the limit program (the report's platform calls and a fixed
text, no formatting) and the WMI queries for the same identities run inside
this already-running PowerShell, the best case for WMI. Each program gets an
empty standard input and writes into a pipe that is read and thrown away.
Prints the medians and the ratios against the goals, and adds them to the
job summary when GITHUB_STEP_SUMMARY names one.

.EXAMPLE
pwsh -File bench\windows_timing.ps1 build\msvc-x64
#>
param(
  [Parameter(Mandatory = $true)][string]$Build,
  [int]$Runs = 21)

$ErrorActionPreference = 'Stop'

$programs = [ordered]@{
  'quorvex.exe' = Join-Path $Build 'Release\quorvex.exe'
  'floor.exe'   = Join-Path $Build 'bench\Release\floor.exe'
  'limit.exe'   = Join-Path $Build 'bench\Release\limit.exe'
}

function Time-Program([string]$path) {
  $start = [System.Diagnostics.ProcessStartInfo]::new((Resolve-Path -LiteralPath $path).Path)
  $start.UseShellExecute = $false
  $start.RedirectStandardInput = $true
  $start.RedirectStandardOutput = $true
  $clock = [System.Diagnostics.Stopwatch]::StartNew()
  $process = [System.Diagnostics.Process]::Start($start)
  $process.StandardInput.Close()
  $process.StandardOutput.BaseStream.CopyTo([System.IO.Stream]::Null)
  $process.WaitForExit()
  $clock.Stop()
  if ($process.ExitCode -ne 0) { throw "$path exited with $($process.ExitCode)" }
  return $clock.Elapsed.TotalMilliseconds
}

# What wmi_compare.ps1 asks WMI for.
function Time-Wmi {
  $clock = [System.Diagnostics.Stopwatch]::StartNew()
  foreach ($class in 'Win32_ComputerSystemProduct', 'Win32_BIOS', 'Win32_BaseBoard', 'Win32_SystemEnclosure',
    'Win32_PhysicalMemory', 'Win32_DiskDrive', 'Win32_VideoController') {
    $null = Get-CimInstance $class
  }
  $clock.Stop()
  return $clock.Elapsed.TotalMilliseconds
}

function Median([double[]]$values) {
  $sorted = [double[]]($values | Sort-Object)
  $middle = [int][math]::Floor($sorted.Count / 2)
  if ($sorted.Count % 2) { return $sorted[$middle] }
  return ($sorted[$middle - 1] + $sorted[$middle]) / 2
}

$times = [ordered]@{}
foreach ($name in $programs.Keys) { $times[$name] = [System.Collections.Generic.List[double]]::new() }
$times['WMI queries'] = [System.Collections.Generic.List[double]]::new()

# One untimed round first: the files and WMI's provider are then warm for all.
foreach ($path in $programs.Values) { $null = Time-Program $path }
$null = Time-Wmi
for ($round = 0; $round -lt $Runs; $round++) {
  foreach ($name in $programs.Keys) { $times[$name].Add((Time-Program $programs[$name])) }
  $times['WMI queries'].Add((Time-Wmi))
}

$median = @{}
foreach ($name in $times.Keys) { $median[$name] = Median $times[$name].ToArray() }
$tool = $median['quorvex.exe']
$lines = @('## Timing', '', "Medians of $Runs runs each, in rounds.", '', '| what | median |', '|---|---|')
foreach ($name in $times.Keys) { $lines += '| {0} | {1:N1} ms |' -f $name, $median[$name] }
$toFloor = $tool / $median['floor.exe']
$toLimit = $tool / $median['limit.exe']
$wmiOverTool = $median['WMI queries'] / $tool
function Holds([bool]$ok) { if ($ok) { 'holds' } else { 'does not hold' } }
$lines += @('', '| ratio | value | goal | |', '|---|---|---|---|')
$lines += '| quorvex / floor | {0:N3} | at most 1.10 | {1} |' -f $toFloor, (Holds ($toFloor -le 1.10))
$lines += '| WMI / quorvex | {0:N1} | at least 20 | {1} |' -f $wmiOverTool, (Holds ($wmiOverTool -ge 20))
$lines += '| quorvex / limit | {0:N3} | at most 1.03 under Wine | {1} |' -f $toLimit, (Holds ($toLimit -le 1.03))
$lines += ''

$lines | Write-Host
if ($env:GITHUB_STEP_SUMMARY) { $lines | Out-File -FilePath $env:GITHUB_STEP_SUMMARY -Append -Encoding utf8 }
